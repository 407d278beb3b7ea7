// Program entry: the whole program is the frame's modal loop.
#include "wizard.h"

#include "resource.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// An installer usually runs from a downloads folder, where anybody may have
// left a DLL with a system DLL's name: load DLLs from the system folder only.
// Windows XP and unpatched Vista and 7 lack the function; they keep their
// default search order.
void RestrictDllSearchToSystemFolder()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (found == nullptr)
        return;
    const SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found));
    setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystemFolder();
    g_instance = instance;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FRAME), nullptr, FrameProc, 0);
    // The frame never came up: a broken program file or no desktop to show it on.
    if (g_frame == nullptr)
        return 1;
    return 0;
}

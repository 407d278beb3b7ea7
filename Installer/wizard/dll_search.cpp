#include "dll_search.h"

#include <windows.h>

#include "bounded_text.h"
#include "install.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// Loaded by name on the systems without SetDefaultDllDirectories, and so
// from the program's own folder first unless already loaded: LPK and USP10
// by user32 on XP, UXTHEME and DWMAPI when a window is made on Vista and 7.
// Then the three the program delay-loads. A DLL a system lacks is skipped.
const wchar_t* const SystemDllsLoadedByName[] = {
    L"lpk.dll", L"usp10.dll", L"uxtheme.dll", L"dwmapi.dll",
    L"user32.dll", L"gdi32.dll", L"advapi32.dll",
};

}  // namespace

#if defined(__GNUC__) && !defined(__clang__)
// GNU ld puts the delay-import descriptors of dlltool's libraries together in
// .text$2, and sorts .text$3 right after them: this record ends their list,
// as the format wants, for the delay-import directory the build fills in.
// Aligned as the descriptors are, so that no padding comes between.
__attribute__((section(".text$3"), used, aligned(4))) extern const unsigned char DelayImportListEnd[32] = {};
#endif

void LockDllSearchByFullPaths()
{
    SetDllDirectoryW(L"");
    wchar_t path[PathChars];
    const UINT length = GetSystemDirectoryW(path, PathChars);
    // 0 is failure; PathChars or more is the size the folder would need, and
    // the backslash needs one more.
    if (length == 0 || length >= static_cast<UINT>(PathChars) - 1)
        return;
    path[length] = L'\\';
    wchar_t* const name = path + length + 1;
    const size_t nameChars = static_cast<size_t>(PathChars) - length - 1;
    for (const wchar_t* dll : SystemDllsLoadedByName) {
        // Kept loaded for the program's life: later loads by name find it.
        if (CopyBounded(name, nameChars, dll))
            LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

void LockDllSearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (found != nullptr) {
        const SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
            reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found));
        if (setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
            return;
    }
    LockDllSearchByFullPaths();
}

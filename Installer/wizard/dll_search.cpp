#include "dll_search.h"

#include <windows.h>

#include "system_dll.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// Loaded by name on the systems without SetDefaultDllDirectories, so from
// the program's own folder first unless already loaded, depending on the
// version, on what the process calls and on what else runs in it (a screen
// reader's hook, an input method). Preloaded from the system folder, one
// that the program would never have loaded costs a millisecond. A DLL a
// system lacks is skipped.
const wchar_t* const SystemDllsLoadedByName[] = {
    L"lpk.dll",        // by user32 on XP, for every window's text
    L"usp10.dll",      // by LPK on XP
    L"uxtheme.dll",    // when a window is made, XP (with themes) to 7
    L"dwmapi.dll",     // by UXTHEME on Vista and 7
    L"ntmarta.dll",    // behind advapi32's ACL functions on Vista and 7
    L"cryptbase.dll",  // behind RPCRT4 on Vista and 7
    L"clbcatq.dll",    // behind OLE32 on XP SP2 and SP3
    L"oleacc.dll",     // behind the shell's progress dialog on Vista; accessibility hooks
    L"userenv.dll",    // behind profile and environment functions; version not known
    L"setupapi.dll",   // behind device and shell functions; version not known
    L"apphelp.dll",    // the compatibility engine, where a shim applies; version not known
    L"propsys.dll",    // the property system, behind the shell on Vista and 7
    L"version.dll",    // behind file-version queries of shell and compatibility code
};

// Delay-loaded by the program, and loaded at start by LoadDelayLoadedDlls.
const wchar_t* const DelayLoadedDlls[] = {L"user32.dll", L"gdi32.dll", L"advapi32.dll"};

// Loads each of `dlls` from the system folder; the number loaded.
size_t LoadFromSystemFolder(const wchar_t* const* dlls, size_t count)
{
    size_t loaded = 0;
    for (size_t i = 0; i < count; ++i) {
        if (LoadSystemDll(dlls[i]) != nullptr)
            ++loaded;
    }
    return loaded;
}

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
    LoadFromSystemFolder(SystemDllsLoadedByName, sizeof(SystemDllsLoadedByName) / sizeof(SystemDllsLoadedByName[0]));
}

bool LoadDelayLoadedDlls()
{
    const size_t count = sizeof(DelayLoadedDlls) / sizeof(DelayLoadedDlls[0]);
    return LoadFromSystemFolder(DelayLoadedDlls, count) == count;
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

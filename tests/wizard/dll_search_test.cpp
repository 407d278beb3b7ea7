// The start-up path of the systems without SetDefaultDllDirectories (Windows
// XP, and Vista and 7 without KB2533623), taken directly: Wine always has
// that function, so the program never takes this path here.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dll_search.h"
#include "test_files.h"
#include "wine.h"

namespace {

std::wstring FolderOf(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : 0);
    folder.erase(folder.find_last_of(L'\\') == std::wstring::npos ? 0 : folder.find_last_of(L'\\'));
    CharLowerW(&folder[0]);
    return folder;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

// Each DLL of the list that the system folder holds is loaded from there,
// by its full path; one that it lacks (Wine has no LPK) is skipped, not looked
// for elsewhere. The current folder leaves the search, as Windows documents
// for SetDllDirectoryW(L""); Wine 8 keeps searching it, so that part is
// checked on Windows only.
TEST(DllSearchByFullPaths, LoadsTheSystemsDllsFromTheSystemFolderOnlyAndDropsTheCurrentFolder)
{
    // The planted DLL leaves "<its path>.loaded" beside itself when found.
    const std::wstring current = FreshFolder(L"current");
    const std::wstring planted = current + L"vrix_current.dll";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"vrix_planted.dll").c_str(), planted.c_str(), FALSE));
    ASSERT_TRUE(SetCurrentDirectoryW(current.c_str()));
    LockDllSearchByFullPaths();

    wchar_t systemFolder[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryW(systemFolder, MAX_PATH));
    // Where a 32-bit program's system DLLs are on 64-bit Windows (SysWOW64).
    const std::wstring system = FolderOf(GetModuleHandleW(L"kernel32.dll"));
    for (const wchar_t* name : {L"lpk.dll", L"usp10.dll", L"uxtheme.dll", L"dwmapi.dll", L"user32.dll",
                                L"gdi32.dll", L"advapi32.dll"}) {
        const HMODULE module = GetModuleHandleW(name);
        if (Exists(std::wstring(systemFolder) + L"\\" + name)) {
            ASSERT_NE(nullptr, module) << Utf8(name) << " is not loaded";
            EXPECT_EQ(Utf8(system), Utf8(FolderOf(module))) << Utf8(name) << " is not the system folder's";
        } else {
            EXPECT_EQ(nullptr, module) << Utf8(name) << " is loaded, but the system folder lacks it";
        }
    }
    if (!IsWine()) {
        LoadLibraryW(L"vrix_current.dll");
        EXPECT_FALSE(Exists(planted + L".loaded")) << "the current folder is still searched";
    }
}

// The start-up path of the systems without SetDefaultDllDirectories (Windows
// XP, and Vista and 7 without KB2533623). Wine always has that function, so
// the program never takes this path here: a helper program that imports only
// kernel32 and the C runtime takes it directly (dll_search_probe.cpp), so
// that no DLL it reports on was loaded before.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "process_windows.h"
#include "test_files.h"
#include "wine.h"

namespace {

// What the systems load by name, and the three the program delay-loads.
const wchar_t* const ExpectedFromSystemFolder[] = {
    L"lpk.dll",     L"usp10.dll",   L"uxtheme.dll", L"dwmapi.dll",   L"ntmarta.dll", L"cryptbase.dll",
    L"clbcatq.dll", L"oleacc.dll",  L"userenv.dll", L"setupapi.dll", L"apphelp.dll", L"propsys.dll",
    L"version.dll", L"user32.dll",  L"gdi32.dll",   L"advapi32.dll",
};

std::wstring Lower(std::wstring text)
{
    if (!text.empty())
        CharLowerW(&text[0]);
    return text;
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    return Lower(path.substr(0, slash == std::wstring::npos ? 0 : slash));
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs the probe with `current` as its current folder; its report.
std::map<std::string, std::string> RunProbe(const std::wstring& current)
{
    const std::wstring report = FreshFolder(L"dll-search") + L"report.txt";
    // "." keeps the folder's final backslash from escaping the quote.
    std::wstring commandLine = L"\"" + ProgramFolder() + L"dll_search_probe.exe\" \"" + report + L"\" \"" + current
                             + L".\"";
    for (const wchar_t* name : ExpectedFromSystemFolder)
        commandLine += std::wstring(L" ") + name;
    EXPECT_EQ(0u, ExitCodeOf(commandLine, 30000)) << "the probe failed";
    return ReadKeyValues(report);
}

}  // namespace

// Each DLL of the list that the system folder holds is asked for by its
// full path there and loaded from there; one that it lacks (Wine has no LPK,
// NTMARTA, CRYPTBASE or CLBCATQ) is skipped, not looked for elsewhere. Where
// a DLL came from alone would not tell: Wine's uxtheme imports user32, gdi32
// and advapi32, and its user32 imports version, so those come from the
// system folder even when the program leaves them out.
TEST(DllSearchByFullPaths, LoadsEveryDllOfTheListFromTheSystemFolderOnly)
{
    const auto report = RunProbe(FreshFolder(L"current"));
    ASSERT_FALSE(report.empty());
    ASSERT_EQ("", report.at("loaded_before")) << "loaded before the probe's start-up path ran: it cannot tell";
    EXPECT_EQ("1", report.at("delay_loaded"));
    wchar_t systemFolder[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryW(systemFolder, MAX_PATH));
    // Where a 32-bit program's system DLLs are on 64-bit Windows (SysWOW64).
    wchar_t kernel[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(GetModuleHandleW(L"kernel32.dll"), kernel, MAX_PATH));
    const std::wstring system = FolderOf(kernel);
    for (const wchar_t* name : ExpectedFromSystemFolder) {
        const std::wstring loaded = FromUtf8(report.count(Utf8(name)) ? report.at(Utf8(name)) : "");
        const std::string asked = report.count("asked:" + Utf8(name)) ? report.at("asked:" + Utf8(name)) : "";
        if (Exists(std::wstring(systemFolder) + L"\\" + name)) {
            EXPECT_EQ(Utf8(system), Utf8(FolderOf(loaded))) << Utf8(name) << " is not the system folder's";
            EXPECT_EQ(Utf8(Lower(std::wstring(systemFolder) + L"\\" + name)), Utf8(Lower(FromUtf8(asked))))
                << Utf8(name) << " was not asked for by its full path in the system folder";
        } else
            EXPECT_EQ("none", Utf8(loaded)) << Utf8(name) << " is loaded, but the system folder lacks it";
    }
}

// The current folder leaves the search, as Windows documents for
// SetDllDirectoryW(L"").
TEST(DllSearchByFullPaths, DropsTheCurrentFolder)
{
    if (IsWine())
        GTEST_SKIP() << "Wine 8 keeps searching the current folder after SetDllDirectoryW(L\"\")";
    // The planted DLL leaves "<its path>.loaded" beside itself when found.
    const std::wstring current = FreshFolder(L"current");
    const std::wstring planted = current + L"vrix_current.dll";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"vrix_planted.dll").c_str(), planted.c_str(), FALSE));
    ASSERT_FALSE(RunProbe(current).empty());
    EXPECT_FALSE(Exists(planted + L".loaded")) << "the current folder is still searched";
}

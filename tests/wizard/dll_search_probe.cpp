// Takes the program's start-up path of the systems without
// SetDefaultDllDirectories (Windows XP, and Vista and 7 without KB2533623)
// and reports where each DLL named on its command line came from. It
// imports only kernel32 and the C runtime, so that none of them is loaded
// before; it reports any that is ("loaded_before").
//   dll_search_probe REPORT_FILE CURRENT_FOLDER NAME...
// The report, one "key=value" a line in UTF-8: loaded_before, delay_loaded
// (1 when user32, gdi32 and advapi32 loaded), each NAME's full path or
// "none", and "asked:NAME" with the path the start-up path itself asked to
// load it by ("none" where it did not: a DLL that another DLL imports is
// loaded all the same, so where it came from alone does not tell). Last it
// loads vrix_current.dll by name: a copy of the planted DLL in
// CURRENT_FOLDER leaves a marker when found there.
#include <windows.h>
#include <stdio.h>

#include <string>

namespace {

std::wstring g_asked;  // every path the start-up path loads, one a line

HMODULE WINAPI RecordLoad(LPCWSTR path, HANDLE file, DWORD flags)
{
    g_asked += std::wstring(path) + L"\n";
    return LoadLibraryExW(path, file, flags);
}

}  // namespace

// The program's own start-up path, with each of its loads recorded.
#define LoadLibraryExW RecordLoad
#include "system_dll.cpp"
#undef LoadLibraryExW
#include "dll_search.cpp"

namespace {

// The path the start-up path asked for whose file name is `name`; "none".
std::wstring AskedFor(const std::wstring& name)
{
    for (size_t start = 0, end; (end = g_asked.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        const std::wstring path = g_asked.substr(start, end - start);
        const size_t slash = path.find_last_of(L'\\');
        if (lstrcmpiW(path.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str(), name.c_str()) == 0)
            return path;
    }
    return L"none";
}

std::string Utf8(const std::wstring& text)
{
    char buffer[4 * MAX_PATH] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

std::wstring ModulePath(const wchar_t* name)
{
    const HMODULE module = GetModuleHandleW(name);
    wchar_t path[MAX_PATH] = {};
    if (module == nullptr || GetModuleFileNameW(module, path, MAX_PATH) == 0)
        return L"none";
    return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    std::wstring before;
    for (int i = 3; i < argc; ++i)
        if (GetModuleHandleW(argv[i]) != nullptr)
            before += std::wstring(argv[i]) + L" ";
    if (!SetCurrentDirectoryW(argv[2]))
        return 2;

    LockDllSearchByFullPaths();
    std::string report = "loaded_before=" + Utf8(before) + "\n";
    report += std::string("delay_loaded=") + (LoadDelayLoadedDlls() ? "1" : "0") + "\n";
    for (int i = 3; i < argc; ++i) {
        report += Utf8(argv[i]) + "=" + Utf8(ModulePath(argv[i])) + "\n";
        report += "asked:" + Utf8(argv[i]) + "=" + Utf8(AskedFor(argv[i])) + "\n";
    }
    LoadLibraryW(L"vrix_current.dll");

    FILE* file = _wfopen(argv[1], L"wb");
    if (file == nullptr)
        return 2;
    fwrite(report.data(), 1, report.size(), file);
    return fclose(file) == 0 ? 0 : 2;
}

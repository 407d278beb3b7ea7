// Stand-in for ActiveSync's Application Manager. Started with an INI file's
// path, it first appends "started=1" and its current folder ("cwd=") to the
// file named by VRIX_FAKE_LOG, so that every start shows at once. Then it
// reads the INI with the platform's own INI reader, finds the cabinet named
// by CabFiles next to the INI file and checks that it is a whole cabinet,
// waits (VRIX_FAKE_DELAY_MS, 700 ms by default, or until the file that
// VRIX_FAKE_RELEASE names exists), then sends a message to the installer's
// frame if there is one (the installer, still waiting, must answer it),
// appends what it saw (UTF-8, one "key=value" per line, "finished=1" last)
// and exits: 0 when all was well, 3 otherwise.
// VRIX_FAKE_STARTED names a file that gets the performance counter's value
// first thing, for the benchmark.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text)
{
    char buffer[8192] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? value : L"";
}

std::wstring IniValue(const std::wstring& ini, const std::wstring& section, const wchar_t* key)
{
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section.c_str(), key, L"", value, 1024, ini.c_str());
    return value;
}

// A cabinet starts with "MSCF" and records its own total size at offset 8.
bool IsWholeCabinet(const std::wstring& path, DWORD* size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char header[12] = {};
    DWORD got = 0;
    const BOOL read = ReadFile(file, header, sizeof(header), &got, nullptr);
    *size = GetFileSize(file, nullptr);
    CloseHandle(file);
    const DWORD recorded = header[8] | header[9] << 8 | header[10] << 16
                         | static_cast<DWORD>(header[11]) << 24;
    return read && got == sizeof(header) && memcmp(header, "MSCF", 4) == 0 && recorded == *size;
}

// Whether the installer's frame answers a message sent to it within 5 s:
// "1", "0" when it does not, "none" when there is no frame.
std::string PingInstaller()
{
    const HWND frame = FindWindowW(L"#32770", L"VRIX Mobile Security");
    if (frame == nullptr)
        return "none";
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) ? "1" : "0";
}

void AppendToLog(const std::string& text)
{
    const std::wstring logPath = Environment(L"VRIX_FAKE_LOG");
    FILE* file = logPath.empty() ? nullptr : _wfopen(logPath.c_str(), L"ab");
    if (file != nullptr) {
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    const std::wstring startedPath = Environment(L"VRIX_FAKE_STARTED");
    if (!startedPath.empty()) {
        FILE* file = _wfopen(startedPath.c_str(), L"wb");
        if (file != nullptr) {
            fprintf(file, "%lld\n", static_cast<long long>(started.QuadPart));
            fclose(file);
        }
    }
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    AppendToLog("started=1\ncwd=" + Utf8(current) + "\n");
    std::string log = "cmdline=" + Utf8(GetCommandLineW()) + "\n";
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool ok = argv != nullptr && argc == 2;
    log += "argc=" + std::to_string(argc) + "\n";
    if (ok) {
        const std::wstring ini = argv[1];
        const std::wstring component = IniValue(ini, L"CEAppManager", L"Component");
        const std::wstring cabFiles = IniValue(ini, component, L"CabFiles");
        const std::wstring cab = ini.substr(0, ini.find_last_of(L'\\') + 1) + cabFiles;
        DWORD size = 0;
        const bool cabOk = !cabFiles.empty() && IsWholeCabinet(cab, &size);
        log += "ini=" + Utf8(ini) + "\n";
        log += "version=" + Utf8(IniValue(ini, L"CEAppManager", L"Version")) + "\n";
        log += "component=" + Utf8(component) + "\n";
        log += "description=" + Utf8(IniValue(ini, component, L"Description")) + "\n";
        log += "cabfiles=" + Utf8(cabFiles) + "\n";
        log += "cab_ok=" + std::string(cabOk ? "1" : "0") + "\n";
        log += "cab_size=" + std::to_string(size) + "\n";
        ok = cabOk;
    }
    // Until the file that VRIX_FAKE_RELEASE names exists, where it is set (2
    // minutes at most), else for VRIX_FAKE_DELAY_MS.
    const std::wstring release = Environment(L"VRIX_FAKE_RELEASE");
    const std::wstring delay = Environment(L"VRIX_FAKE_DELAY_MS");
    if (!release.empty()) {
        for (int i = 0; i < 6000 && GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(20);
    } else {
        Sleep(delay.empty() ? 700 : static_cast<DWORD>(_wtoi(delay.c_str())));
    }
    log += "frame_answered=" + PingInstaller() + "\n";
    AppendToLog(log + "finished=1\n");
    return ok ? 0 : 3;
}

#include "app_paths.h"

#include <windows.h>

#include <sstream>

#include "test_files.h"

namespace {

const wchar_t AppPathsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

HKEY CreateKey()
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
}

}  // namespace

void RemoveAppManagerEntry()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppPathsKey);
}

void RegisterAppManagerRaw(const std::vector<wchar_t>& chars)
{
    HKEY key = CreateKey();
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(chars.data()),
                   static_cast<DWORD>(chars.size() * sizeof(wchar_t)));
    RegCloseKey(key);
}

void RegisterAppManager(const std::wstring& path)
{
    std::vector<wchar_t> chars(path.begin(), path.end());
    chars.push_back(L'\0');
    RegisterAppManagerRaw(chars);
}

void RegisterAppManagerKeyOnly()
{
    RemoveAppManagerEntry();
    RegCloseKey(CreateKey());
}

std::wstring FakeAppManagerPath()
{
    return ProgramFolder() + L"fake_appmgr.exe";
}

std::wstring UseFakeAppManager(const wchar_t* delayMs)
{
    const std::wstring logPath = FreshFolder(L"fake-log") + L"fake.log";
    SetEnvironmentVariableW(L"VRIX_FAKE_LOG", logPath.c_str());
    SetEnvironmentVariableW(L"VRIX_FAKE_DELAY_MS", delayMs);
    RegisterAppManager(FakeAppManagerPath());
    return logPath;
}

std::map<std::string, std::string> ReadFakeLog(const std::wstring& logPath)
{
    std::map<std::string, std::string> entries;
    std::istringstream lines(ReadBytes(logPath));
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            entries[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return entries;
}

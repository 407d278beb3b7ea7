#include "app_paths.h"

#include <windows.h>

#include <sstream>

#include "test_files.h"
#include "wine.h"

namespace {

const wchar_t AppPathsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

// Where the 32-bit view keeps App Paths, as the 64-bit view names it, and
// the 64-bit key that Wine links it to.
const wchar_t Wow64AppPaths[] = L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const wchar_t LinkTarget[] = L"\\Registry\\Machine\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

void KeepMachineRegistration()
{
    KeepKey(HKEY_LOCAL_MACHINE, AppPathsKey, true);
}

// ---- Writing the key ---------------------------------------------------------

HKEY CreateKey(RegistryView view)
{
    KeepMachineRegistration();
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, 0, nullptr, 0,
                                        KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the CEAPPMGR.EXE key: error " << status;
        return nullptr;
    }
    return key;
}

void SetDefaultValue(RegistryView view, const std::vector<wchar_t>& chars, DWORD type = REG_SZ)
{
    HKEY key = CreateKey(view);
    if (key == nullptr)
        return;
    const LONG status = RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(chars.data()),
                                       static_cast<DWORD>(chars.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot set the CEAPPMGR.EXE key's default value: error " << status;
}

// The 32-bit view's App Paths key itself, not what it links to; null when absent.
HKEY OpenWow64AppPaths()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wow64AppPaths, REG_OPTION_OPEN_LINK,
                      KEY_ALL_ACCESS | DELETE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool IsLink(HKEY key)
{
    DWORD type = 0;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS
        && type == REG_LINK;
}

// Deletes the key that `key` names (the link itself, where it was opened as
// one) and closes the handle.
bool DeleteOpenKey(HKEY key)
{
    typedef LONG(WINAPI * NtDeleteKeyFunction)(HANDLE);
    const NtDeleteKeyFunction deleteKey = reinterpret_cast<NtDeleteKeyFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    const bool deleted = deleteKey != nullptr && deleteKey(key) == 0;
    RegCloseKey(key);
    return deleted;
}

}  // namespace

bool AppPathsWritable(std::string* why)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                                      0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS) {
        *why = "App Paths under HKEY_LOCAL_MACHINE cannot be written (error " + std::to_string(status) + ")";
        return false;
    }
    RegCloseKey(key);
    return true;
}

void RemoveAppManagerEntry(RegistryView view)
{
    KeepMachineRegistration();
    const LONG status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, ViewFlag(view), 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE() << "cannot delete the CEAPPMGR.EXE key: error " << status;
}

void RegisterAppManagerRaw(const std::vector<wchar_t>& chars)
{
    SetDefaultValue(OwnView, chars);
}

void RegisterAppManager(const std::wstring& path, RegistryView view, DWORD type)
{
    std::vector<wchar_t> chars(path.begin(), path.end());
    chars.push_back(L'\0');
    SetDefaultValue(view, chars, type);
}

bool HasAppManagerEntry(RegistryView view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, 0, KEY_READ | ViewFlag(view), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool SplitAppPathsViews()
{
    // Elsewhere the key is no link of Wine's, and its tree is the machine's own.
    if (!RunsUnderWine())
        return false;
    KeepMachineRegistration();
    HKEY key = OpenWow64AppPaths();
    if (key == nullptr)
        return false;
    if (!IsLink(key)) {
        RegCloseKey(key);
        return true;
    }
    // Only the link goes: the 64-bit key behind it keeps everything.
    if (!DeleteOpenKey(key))
        return false;
    HKEY apart = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wow64AppPaths, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, &apart, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(apart);
    return true;
}

bool JoinAppPathsViews()
{
    if (!RunsUnderWine())
        return false;
    if (HKEY key = OpenWow64AppPaths()) {
        if (IsLink(key)) {
            RegCloseKey(key);
            return true;
        }
        // A key of its own, made by SplitAppPathsViews: never the tree behind a link.
        RegDeleteTreeW(key, nullptr);
        if (!DeleteOpenKey(key))
            return false;
    }
    HKEY link = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wow64AppPaths, 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &link, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                    reinterpret_cast<const BYTE*>(LinkTarget),
                                    static_cast<DWORD>(wcslen(LinkTarget) * sizeof(wchar_t)));
    RegCloseKey(link);
    return set == ERROR_SUCCESS;
}

void RegisterAppManagerKeyOnly()
{
    RemoveAppManagerEntry();
    if (HKEY key = CreateKey(OwnView))
        RegCloseKey(key);
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
    SetEnvironmentVariableW(L"VRIX_FAKE_RELEASE", delayMs == nullptr ? (logPath + L".release").c_str() : nullptr);
    RegisterAppManager(FakeAppManagerPath());
    return logPath;
}

void ReleaseFakeAppManager(const std::wstring& logPath)
{
    const HANDLE file = CreateFileW((logPath + L".release").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                    nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file) << "cannot release the fake Application Manager";
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

std::map<std::string, std::string> ReadFakeLog(const std::wstring& logPath)
{
    return ReadKeyValues(logPath);
}

int FakeStarts(const std::wstring& logPath)
{
    std::istringstream lines(ReadBytes(logPath));
    int starts = 0;
    for (std::string line; std::getline(lines, line);)
        starts += line == "started=1";
    return starts;
}

void ExpectManagerRanWithTheCabinet(const std::map<std::string, std::string>& log)
{
    const auto value = [&](const char* key) {
        const auto found = log.find(key);
        return found == log.end() ? std::string() : found->second;
    };
    ASSERT_EQ("1", value("finished")) << "the Application Manager did not run to its end";
    EXPECT_EQ("\"" + Utf8(FakeAppManagerPath()) + "\" \"" + value("ini") + "\"", value("cmdline"))
        << "not the Application Manager's path and the INI file's, each quoted";
    EXPECT_EQ("1", value("cab_ok")) << "no whole cabinet beside the INI file under the name CabFiles gives";
}

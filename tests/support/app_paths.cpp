#include "app_paths.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

REGSAM ViewFlag(RegistryView view)
{
    if (view == OwnView)
        return 0;
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    return KEY_WOW64_64KEY;
#endif
}

// ---- The machine's own registration, kept while the tests change it ----------

struct SavedValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const SavedValue& other) const
    {
        return name == other.name && type == other.type && data == other.data;
    }
};

// The key in one view: whether it exists, and its values in their order.
struct SavedKey {
    bool exists = false;
    std::vector<SavedValue> values;
    bool operator==(const SavedKey& other) const
    {
        return exists == other.exists && values == other.values;
    }
};

const RegistryView BothViews[] = {OwnView, OtherView};
bool g_kept = false;
SavedKey g_saved[2];

// One file for every test program of every build tree on this machine (or
// Wine prefix), as they share one registry.
std::wstring SavedCopyPath()
{
    std::wstring folder = Environment(L"LOCALAPPDATA");
    if (folder.empty())
        folder = ProgramFolder();
    folder += L"\\VRIXSetup tests";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\CEAPPMGR.EXE key.bin";
}

bool ReadKey(RegistryView view, SavedKey* saved)
{
    *saved = SavedKey();
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, 0, KEY_READ | ViewFlag(view), &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS)
        return false;
    saved->exists = true;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameChars = 16384, type = 0, size = 0;
        LONG status = RegEnumValueW(key, i, name, &nameChars, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        SavedValue value;
        value.data.resize(size);
        nameChars = 16384;
        status = RegEnumValueW(key, i, name, &nameChars, nullptr, &value.type,
                               value.data.empty() ? nullptr : value.data.data(), &size);
        if (status != ERROR_SUCCESS) {
            RegCloseKey(key);
            return false;
        }
        value.name.assign(name, nameChars);
        value.data.resize(size);
        saved->values.push_back(value);
    }
    RegCloseKey(key);
    return true;
}

// Makes the key in `view` exactly `saved`: gone, or holding those values alone.
bool WriteKey(RegistryView view, const SavedKey& saved)
{
    SavedKey now;
    if (ReadKey(view, &now) && now == saved)
        return true;
    const LONG deleted = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, ViewFlag(view), 0);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
        return false;
    if (!saved.exists)
        return true;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, AppPathsKey, 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view),
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const SavedValue& value : saved.values)
        ok = ok && RegSetValueExW(key, value.name.c_str(), 0, value.type,
                                  value.data.empty() ? nullptr : value.data.data(),
                                  static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// The file: per view, whether the key exists and its values, each as name
// length, name, type, data size and data.
void Put(std::string& out, DWORD number)
{
    out.append(reinterpret_cast<const char*>(&number), sizeof(number));
}

bool SaveCopy(const std::wstring& path)
{
    std::string bytes = "VRIX-CEAPPMGR 1\n";
    for (const SavedKey& key : g_saved) {
        Put(bytes, key.exists);
        Put(bytes, static_cast<DWORD>(key.values.size()));
        for (const SavedValue& value : key.values) {
            Put(bytes, static_cast<DWORD>(value.name.size()));
            bytes.append(reinterpret_cast<const char*>(value.name.data()), value.name.size() * sizeof(wchar_t));
            Put(bytes, value.type);
            Put(bytes, static_cast<DWORD>(value.data.size()));
            bytes.append(value.data.begin(), value.data.end());
        }
    }
    // Written whole under another name first, so that a killed run never leaves half a copy.
    const std::wstring partial = path + L".new";
    FILE* file = _wfopen(partial.c_str(), L"wb");
    if (file == nullptr)
        return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool LoadCopy(const std::wstring& path)
{
    bool ok = false;
    const std::string bytes = ReadBytes(path, &ok);
    const std::string magic = "VRIX-CEAPPMGR 1\n";
    if (!ok || bytes.compare(0, magic.size(), magic) != 0)
        return false;
    size_t at = magic.size();
    const auto take = [&](void* target, size_t size) {
        if (bytes.size() - at < size)
            return false;
        memcpy(target, bytes.data() + at, size);
        at += size;
        return true;
    };
    for (SavedKey& key : g_saved) {
        DWORD exists = 0, count = 0;
        if (!take(&exists, sizeof(exists)) || !take(&count, sizeof(count)))
            return false;
        key = SavedKey();
        key.exists = exists != 0;
        for (DWORD i = 0; i < count; ++i) {
            SavedValue value;
            DWORD nameChars = 0, size = 0;
            if (!take(&nameChars, sizeof(nameChars)) || bytes.size() - at < nameChars * sizeof(wchar_t))
                return false;
            value.name.resize(nameChars);
            if (!take(&value.name[0], nameChars * sizeof(wchar_t)) || !take(&value.type, sizeof(value.type))
                || !take(&size, sizeof(size)) || bytes.size() - at < size)
                return false;
            value.data.resize(size);
            if (size != 0 && !take(value.data.data(), size))
                return false;
            key.values.push_back(value);
        }
    }
    return at == bytes.size();
}

// Before the first change in this program: a copy left by a program killed
// midway is the machine's own registration, so it goes back first;
// otherwise the registration is saved as it is now.
void KeepMachineRegistration()
{
    if (g_kept)
        return;
    const std::wstring path = SavedCopyPath();
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!LoadCopy(path)) {
            ADD_FAILURE() << "the saved copy of the CEAPPMGR.EXE key cannot be read: " << Utf8(path);
            return;
        }
        for (RegistryView view : BothViews)
            if (!WriteKey(view, g_saved[view]))
                ADD_FAILURE() << "cannot put back the CEAPPMGR.EXE key saved by an earlier run";
    } else {
        for (RegistryView view : BothViews) {
            if (!ReadKey(view, &g_saved[view])) {
                ADD_FAILURE() << "cannot read the machine's CEAPPMGR.EXE key";
                return;
            }
        }
        if (!SaveCopy(path)) {
            ADD_FAILURE() << "cannot save the machine's CEAPPMGR.EXE key to " << Utf8(path);
            return;
        }
    }
    g_kept = true;
    atexit(RestoreMachineRegistration);
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

void RestoreMachineRegistration()
{
    if (!g_kept)
        return;
    bool restored = true;
    for (RegistryView view : BothViews)
        restored = WriteKey(view, g_saved[view]) && restored;
    if (!restored) {
        // The copy stays for the next run to put back.
        fprintf(stderr, "Could not put back the machine's CEAPPMGR.EXE key; its copy stays in %s\n",
                Utf8(SavedCopyPath()).c_str());
        return;
    }
    DeleteFileW(SavedCopyPath().c_str());
    g_kept = false;
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
    RegisterAppManager(FakeAppManagerPath());
    return logPath;
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

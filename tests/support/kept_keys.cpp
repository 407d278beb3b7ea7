#include "kept_keys.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sstream>
#include <vector>

#include "test_files.h"

namespace {

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
struct SavedView {
    bool exists = false;
    std::vector<SavedValue> values;
    bool operator==(const SavedView& other) const { return exists == other.exists && values == other.values; }
};

struct KeptKey {
    HKEY root = nullptr;
    std::wstring path;
    std::vector<SavedView> views;  // OwnView, then OtherView where both are kept
};

std::vector<KeptKey> g_kept;
bool g_leftoversPutBack = false;

// Roots as the files name them.
const HKEY Roots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

// One folder for every test program of every build tree on this machine (or
// Wine prefix), as they share one registry.
std::wstring KeptFolder()
{
    std::wstring folder = Environment(L"LOCALAPPDATA");
    if (folder.empty())
        folder = ProgramFolder();
    folder += L"\\VRIXSetup tests\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring FileOf(HKEY root, const std::wstring& path)
{
    std::wstring name = root == HKEY_LOCAL_MACHINE ? L"HKLM-" : L"HKCU-";
    for (wchar_t c : path)
        name += c == L'\\' ? L'-' : c;
    return KeptFolder() + name + L".key";
}

RegistryView ViewAt(size_t index)
{
    return index == 0 ? OwnView : OtherView;
}

bool ReadView(HKEY root, const std::wstring& path, RegistryView view, SavedView* saved)
{
    *saved = SavedView();
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | ViewFlag(view), &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS)
        return false;
    saved->exists = true;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameChars = 16384, size = 0;
        SavedValue value;
        LONG status = RegEnumValueW(key, i, name, &nameChars, nullptr, &value.type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
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

// Makes the key in `view` exactly `saved`: gone, or holding those values
// alone, in their order. Its subkeys stay.
bool WriteView(HKEY root, const std::wstring& path, RegistryView view, const SavedView& saved)
{
    SavedView now;
    if (!ReadView(root, path, view, &now))
        return false;
    if (now == saved)
        return true;
    if (!saved.exists) {
        const LONG deleted = RegDeleteKeyExW(root, path.c_str(), ViewFlag(view), 0);
        return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const SavedValue& value : now.values)
        ok = RegDeleteValueW(key, value.name.c_str()) == ERROR_SUCCESS && ok;
    for (const SavedValue& value : saved.values)
        ok = ok && RegSetValueExW(key, value.name.c_str(), 0, value.type,
                                  value.data.empty() ? nullptr : value.data.data(),
                                  static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool WriteKey(const KeptKey& kept)
{
    bool ok = true;
    for (size_t i = 0; i < kept.views.size(); ++i)
        ok = WriteView(kept.root, kept.path, ViewAt(i), kept.views[i]) && ok;
    return ok;
}

// The file is text: a first line, then words: the root's index, the path,
// the number of views, and per view whether the key exists, the number of
// values and each value as name, type and data. Names, paths and data are
// written as hexadecimal bytes ("-" when empty), so that any of them reads
// back exactly.
const char Magic[] = "VRIX-KEPT-KEY 2";

std::string Hex(const void* data, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex = size == 0 ? "-" : "";
    for (size_t i = 0; i < size; ++i) {
        const unsigned char byte = static_cast<const unsigned char*>(data)[i];
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

bool Unhex(const std::string& hex, std::vector<BYTE>* bytes)
{
    bytes->clear();
    if (hex == "-")
        return true;
    if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdef") != std::string::npos)
        return false;
    for (size_t i = 0; i < hex.size(); i += 2)
        bytes->push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return true;
}

bool UnhexText(const std::string& hex, std::wstring* text)
{
    std::vector<BYTE> bytes;
    if (!Unhex(hex, &bytes) || bytes.size() % sizeof(wchar_t) != 0)
        return false;
    text->assign(bytes.size() / sizeof(wchar_t), L'\0');
    if (!bytes.empty())
        memcpy(&(*text)[0], bytes.data(), bytes.size());
    return true;
}

bool SaveFile(const KeptKey& kept)
{
    std::ostringstream out;
    out << Magic << "\n" << (kept.root == HKEY_LOCAL_MACHINE ? 0 : 1) << " "
        << Hex(kept.path.data(), kept.path.size() * sizeof(wchar_t)) << " " << kept.views.size() << "\n";
    for (const SavedView& view : kept.views) {
        out << view.exists << " " << view.values.size() << "\n";
        for (const SavedValue& value : view.values)
            out << Hex(value.name.data(), value.name.size() * sizeof(wchar_t)) << " " << value.type << " "
                << Hex(value.data.data(), value.data.size()) << "\n";
    }
    // Written whole under another name first, so that a killed run never leaves half a copy.
    const std::string bytes = out.str();
    const std::wstring path = FileOf(kept.root, kept.path), partial = path + L".new";
    FILE* file = _wfopen(partial.c_str(), L"wb");
    if (file == nullptr)
        return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool LoadFile(const std::wstring& path, KeptKey* kept)
{
    std::istringstream in(ReadBytes(path));
    std::string magic, hex;
    unsigned root = 0;
    size_t views = 0;
    if (!std::getline(in, magic) || magic != Magic || !(in >> root >> hex >> views) || root > 1 || views < 1
        || views > 2 || !UnhexText(hex, &kept->path))
        return false;
    kept->root = Roots[root];
    kept->views.assign(views, SavedView());
    for (SavedView& view : kept->views) {
        size_t count = 0;
        if (!(in >> view.exists >> count))
            return false;
        for (size_t i = 0; i < count; ++i) {
            SavedValue value;
            std::string name, data;
            if (!(in >> name >> value.type >> data) || !UnhexText(name, &value.name) || !Unhex(data, &value.data))
                return false;
            view.values.push_back(value);
        }
    }
    return !(in >> hex);
}

// Files left by a program killed midway hold keys as the machine had them:
// they go back first.
void PutBackLeftovers()
{
    if (g_leftoversPutBack)
        return;
    g_leftoversPutBack = true;
    const std::wstring folder = KeptFolder();
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*.key").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring path = folder + found.cFileName;
        KeptKey kept;
        if (!LoadFile(path, &kept))
            ADD_FAILURE() << "a saved copy of a registry key cannot be read: " << Utf8(path);
        else if (!WriteKey(kept))
            ADD_FAILURE() << "cannot put back " << Utf8(kept.path) << ", saved by an earlier run";
        else
            DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

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

void KeepKey(HKEY root, const std::wstring& path, bool bothViews)
{
    PutBackLeftovers();
    for (const KeptKey& kept : g_kept)
        if (kept.root == root && kept.path == path)
            return;
    KeptKey kept;
    kept.root = root;
    kept.path = path;
    kept.views.resize(bothViews ? 2 : 1);
    for (size_t i = 0; i < kept.views.size(); ++i) {
        if (!ReadView(root, path, ViewAt(i), &kept.views[i])) {
            ADD_FAILURE() << "cannot read the registry key " << Utf8(path);
            return;
        }
    }
    if (!SaveFile(kept)) {
        ADD_FAILURE() << "cannot save the registry key " << Utf8(path) << " to " << Utf8(KeptFolder());
        return;
    }
    static const bool putBackAtExit = atexit(PutBackKeptKeys) == 0;
    (void)putBackAtExit;
    g_kept.push_back(kept);
}

bool PutKeyBack(HKEY root, const std::wstring& path)
{
    for (size_t i = 0; i < g_kept.size(); ++i) {
        if (g_kept[i].root != root || g_kept[i].path != path)
            continue;
        if (!WriteKey(g_kept[i])) {
            fprintf(stderr, "Could not put back %s; its copy stays in %s\n", Utf8(path).c_str(),
                    Utf8(KeptFolder()).c_str());
            return false;
        }
        DeleteFileW(FileOf(root, path).c_str());
        g_kept.erase(g_kept.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return true;
}

void PutBackKeptKeys()
{
    // From the last kept, each leaving the list.
    while (!g_kept.empty()) {
        const KeptKey kept = g_kept.back();
        if (!PutKeyBack(kept.root, kept.path))
            g_kept.pop_back();
    }
}

#include "system_dll.h"

#include "bounded_text.h"
#include "install.h"

HMODULE LoadSystemDll(const wchar_t* name)
{
    wchar_t path[PathChars];
    const UINT length = GetSystemDirectoryW(path, PathChars);
    // 0 is failure; PathChars or more is the size the folder would need, and
    // the backslash needs one more.
    if (length == 0 || length >= static_cast<UINT>(PathChars) - 1)
        return nullptr;
    path[length] = L'\\';
    if (!CopyBounded(path + length + 1, static_cast<size_t>(PathChars) - length - 1, name))
        return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

#include "bounded_text.h"

size_t BoundedLength(const wchar_t* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length] != L'\0')
        ++length;
    return length;
}

namespace {

// Appends `source` at `*used`; false when it would not leave room for a terminator.
bool Append(wchar_t* target, size_t targetChars, size_t* used, const wchar_t* source)
{
    for (; *source != L'\0'; ++source) {
        if (*used + 1 >= targetChars)
            return false;
        target[(*used)++] = *source;
    }
    return true;
}

}  // namespace

bool CopyBounded(wchar_t* target, size_t targetChars, const wchar_t* source)
{
    if (targetChars == 0)
        return false;
    size_t used = 0;
    const bool fits = Append(target, targetChars, &used, source);
    target[fits ? used : 0] = L'\0';
    return fits;
}

bool CopyFolderOf(wchar_t* target, size_t targetChars, const wchar_t* path)
{
    size_t folderChars = 0;
    for (size_t i = 0; path[i] != L'\0'; ++i) {
        if (path[i] == L'\\' || path[i] == L'/')
            folderChars = i + 1;
    }
    if (targetChars == 0)
        return false;
    if (folderChars == 0 || folderChars >= targetChars) {
        target[0] = L'\0';
        return false;
    }
    for (size_t i = 0; i < folderChars; ++i)
        target[i] = path[i];
    target[folderChars] = L'\0';
    return true;
}

bool BuildQuoted(wchar_t* target, size_t targetChars, const wchar_t* text)
{
    if (targetChars == 0)
        return false;
    size_t used = 0;
    const bool fits = Append(target, targetChars, &used, L"\"") && Append(target, targetChars, &used, text)
                   && Append(target, targetChars, &used, L"\"");
    target[fits ? used : 0] = L'\0';
    return fits;
}

bool BuildAppManagerCommandLine(wchar_t* target, size_t targetChars,
                                const wchar_t* managerPath, const wchar_t* iniPath)
{
    if (targetChars == 0)
        return false;
    size_t used = 0;
    const bool fits = Append(target, targetChars, &used, L"\"")
                   && Append(target, targetChars, &used, managerPath)
                   && Append(target, targetChars, &used, L"\" \"")
                   && Append(target, targetChars, &used, iniPath)
                   && Append(target, targetChars, &used, L"\"");
    target[fits ? used : 0] = L'\0';
    return fits;
}

// Writes the embedded device cabinet to a new temporary file.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

#include "../resources/resource.h"
#include "bounded_text.h"
#include "close_written_file.h"
#include "install.h"

bool ExtractPayload(const wchar_t* folder, wchar_t (&payloadName)[PathChars])
{
    payloadName[0] = L'\0';
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_PAYLOAD), L"" PAYLOAD_TYPE_NAME);
    if (info == nullptr)
        return false;
    const HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, info);
    if (bytes == nullptr || size == 0)
        return false;

    wchar_t path[PathChars];
    if (GetTempFileNameW(folder, L"VRIX", 0, path) == 0)
        return false;
    // The full path is the folder followed by the bare name.
    const size_t folderLength = wcslen(folder);
    if (BoundedLength(path, PathChars) < folderLength
        || !CopyBounded(payloadName, PathChars, path + folderLength))
        return false;

    FILE* file = _wfopen(path, L"wb");
    if (file == nullptr)
        return false;
    // Straight from the mapped resource, in one write.
    const bool written = fwrite(bytes, size, 1, file) == 1;
    // A short write or failed flush (full disk) must not pass for a good file.
    const bool closed = CloseWrittenFile(file);
    return written && closed;
}

// Writes the INI file that tells the Application Manager what to install.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "close_written_file.h"
#include "install.h"

namespace {

// Keys padded to 13 characters; the payload's bare name follows the last "= ".
const char IniBlock[] =
    "[CEAppManager]\r\n"
    "Version      = 1.0\r\n"
    "Component    = VRIX Mobile Security\r\n"
    "\r\n"
    "[VRIX Mobile Security]\r\n"
    "Description  = VRIX Mobile Security\r\n"
    "CabFiles     = ";
static_assert(sizeof(IniBlock) - 1 == 151, "fixed part of the INI file");

bool WriteBytes(FILE* file, const char* bytes, size_t count)
{
    return fwrite(bytes, 1, count, file) == count;
}

}  // namespace

bool WriteAppManagerIni(wchar_t (&iniPath)[PathChars], const wchar_t* folder,
                        const wchar_t* payloadName)
{
    if (GetTempFileNameW(folder, L"VRIX", 0, iniPath) == 0)
        return false;
    // The name is ASCII (letters, hex digits, a full stop); the INI file is
    // single-byte text in the ANSI code page.
    char name[PathChars];
    const int nameBytes = WideCharToMultiByte(CP_ACP, 0, payloadName, -1, name,
                                              static_cast<int>(sizeof(name)), nullptr, nullptr);
    if (nameBytes <= 0)
        return false;

    FILE* file = _wfopen(iniPath, L"wb");
    if (file == nullptr)
        return false;
    bool written = WriteBytes(file, IniBlock, sizeof(IniBlock) - 1);
    written = WriteBytes(file, name, strlen(name)) && written;
    // A short write or failed flush (full disk) must not pass for a good file.
    const bool closed = CloseWrittenFile(file);
    return written && closed;
}

// Files and folders for the tests.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>

// A new, empty folder under the scratch folder; ends in a backslash.
std::wstring FreshFolder(const std::wstring& label);

// Names of the files (not folders) directly in `folder`, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// Whole file as bytes; `ok` false when it cannot be read.
std::string ReadBytes(const std::wstring& path, bool* ok = nullptr);

// Takes "VRI<number>.tmp" in `folder` for each number from `first` to
// `end` - 1 (its low 16 bits, in lower-case hex, as Wine writes them),
// each file empty. Fails the test where a name is taken already.
void TakeTempNames(const std::wstring& folder, ULONGLONG first, ULONGLONG end);

// A file of "key=value" lines as pairs (a key's last value); empty when it
// cannot be read.
std::map<std::string, std::string> ReadKeyValues(const std::wstring& path);

// The folder of this test program, ending in a backslash.
std::wstring ProgramFolder();

// Sets TMP and TEMP for this process (and the programs it starts).
void SetTempFolder(const std::wstring& folder);

// Text of an environment variable; empty when unset.
std::wstring Environment(const wchar_t* name);

// The program file a test runs or reads: `built`, unless the environment
// variable `variable` names another build of it (scripts/test names the
// clang build so).
std::wstring ProgramFile(const wchar_t* built, const wchar_t* variable);

std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

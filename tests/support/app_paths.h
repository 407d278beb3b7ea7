// The App Paths entry by which the program finds the Application Manager,
// as the tests set it in the private Wine prefix.
#pragma once
#include <map>
#include <string>
#include <vector>

// Removes the whole CEAPPMGR.EXE key.
void RemoveAppManagerEntry();

// Registers `path` as the key's default REG_SZ value, with its terminator.
void RegisterAppManager(const std::wstring& path);

// Stores `bytes` as the default value, exactly as given (no terminator added).
void RegisterAppManagerRaw(const std::vector<wchar_t>& chars);

// Creates the key with no default value.
void RegisterAppManagerKeyOnly();

// Full path of the fake Application Manager built beside the tests.
std::wstring FakeAppManagerPath();

// Registers the fake as the Application Manager, with its wait set to
// `delayMs` and its log in a new folder. Returns the log's path; the log is
// written when the fake ends.
std::wstring UseFakeAppManager(const wchar_t* delayMs);

// The fake's log as key=value pairs; empty when it has not ended.
std::map<std::string, std::string> ReadFakeLog(const std::wstring& logPath);

// The App Paths entry by which the program finds the Application Manager,
// as the tests set it in the private Wine prefix.
#pragma once
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

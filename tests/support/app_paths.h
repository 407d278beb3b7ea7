// The App Paths entry by which the program finds the Application Manager,
// as the tests set it in the private Wine prefix.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "kept_keys.h"

// Every helper below that writes first keeps the machine's own CEAPPMGR.EXE
// key, in both registry views (kept_keys.h), and every helper checks what
// the registry answered and fails the test, saying why, where a write is
// refused.

// Whether this process may write App Paths under HKEY_LOCAL_MACHINE; `why`
// says what was refused where not.
bool AppPathsWritable(std::string* why);

// Skips the current test where App Paths cannot be written (not elevated).
#define SKIP_UNLESS_APP_PATHS_WRITABLE()                                         \
    do {                                                                         \
        std::string whyNot;                                                      \
        if (!AppPathsWritable(&whyNot)) {                                        \
            GTEST_SKIP() << "needs administrator rights: " << whyNot;            \
        }                                                                        \
    } while (false)

// Removes the whole CEAPPMGR.EXE key.
void RemoveAppManagerEntry(RegistryView view = OwnView);

// Registers `path` as the key's default value of `type` (REG_SZ or
// REG_EXPAND_SZ), with its terminator.
void RegisterAppManager(const std::wstring& path, RegistryView view = OwnView, DWORD type = REG_SZ);

// Whether `view` holds a CEAPPMGR.EXE key.
bool HasAppManagerEntry(RegistryView view);

// Gives the 32-bit view an App Paths key of its own, as 64-bit Windows XP
// and Vista have (Wine, like Windows 7 and later, links it to the 64-bit
// key): afterwards a value written in one view is not seen in the other.
// True when the views are apart. Under Wine only: false elsewhere.
bool SplitAppPathsViews();

// Links the 32-bit view's App Paths key to the 64-bit one again, dropping
// what was written in the 32-bit view while apart. True when linked. Under
// Wine only: false elsewhere.
bool JoinAppPathsViews();

// Stores `bytes` as the default value, exactly as given (no terminator added).
void RegisterAppManagerRaw(const std::vector<wchar_t>& chars);

// Creates the key with no default value.
void RegisterAppManagerKeyOnly();

// Full path of the fake Application Manager built beside the tests.
std::wstring FakeAppManagerPath();

// Registers the fake as the Application Manager, with its wait set to
// `delayMs` (null: until ReleaseFakeAppManager) and its log in a new
// folder. Returns the log's path; every start of the fake adds "started=1"
// to the log at once, and the rest, up to "finished=1", when it ends.
std::wstring UseFakeAppManager(const wchar_t* delayMs);

// Lets a fake registered with a null delay end.
void ReleaseFakeAppManager(const std::wstring& logPath);

// The fake's log as key=value pairs (a key's last value); empty when it has
// not started.
std::map<std::string, std::string> ReadFakeLog(const std::wstring& logPath);

// That the fake ran to its end, started with the command line the program
// must give it (its own path and the INI file's, each quoted), and found a
// whole cabinet beside the INI file under the name CabFiles gives.
void ExpectManagerRanWithTheCabinet(const std::map<std::string, std::string>& log);

// How often the fake has started with this log.
int FakeStarts(const std::wstring& logPath);

// Registry keys that the tests change, kept as the machine has them. Before
// a test program first changes a key, the key is saved whole (every value,
// in its order, in each registry view asked for) to a file under the user's
// local application data, and put back exactly when the test asks for it or
// the program ends, also after a failed test. A program killed midway leaves
// its files, and the next test program to keep any key puts every one of
// them back first.
#pragma once
#include <windows.h>

#include <string>

// Which registry view: this program's own (where a program of its bitness
// reads without asking for a view) or the other bitness's.
enum RegistryView { OwnView, OtherView };

// The flag that opens `view`.
REGSAM ViewFlag(RegistryView view);

// Saves the key `path` under `root` (in both views where `bothViews`) unless
// it is kept already. Fails the test, saying why, where it cannot.
void KeepKey(HKEY root, const std::wstring& path, bool bothViews);

// Puts a kept key back as it was and forgets it; false where the registry
// refused (its file then stays for the next run).
bool PutKeyBack(HKEY root, const std::wstring& path);

// Puts every kept key back. Runs by itself when the program ends; a program
// that is no test (the benchmark) may call it.
void PutBackKeptKeys();

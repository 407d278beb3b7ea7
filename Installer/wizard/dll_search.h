// Where the program's DLLs come from. An installer usually runs from a
// downloads folder, where anybody may have left a DLL named like a system
// one: every DLL the program loads comes from the system folder.
#pragma once

// Called first in the program's entry, before any DLL but kernel32 and the C
// runtime is loaded (user32, gdi32 and advapi32 are delay-loaded for this).
void LockDllSearch();

// What LockDllSearch does where SetDefaultDllDirectories is missing
// (Windows XP, and Vista and 7 without KB2533623): the current folder leaves
// the search, and the DLLs those systems load by name are loaded first from
// the system folder by their full paths.
void LockDllSearchByFullPaths();

// Loads user32, gdi32 and advapi32 from the system folder, after
// LockDllSearch: the program delay-loads them, and a DLL that fails to load
// or start at its first call (no desktop to attach to, the desktop heap
// used up) would end the program with the delay-load helper's exception.
// False when any of them fails.
bool LoadDelayLoadedDlls();

// A system DLL loaded by its full path in the system folder, never by its
// name: an installer usually runs from a downloads folder, where anybody may
// have left a DLL named like a system one.
#pragma once
#include <windows.h>

// Loads `name` (a file name such as L"shell32.dll") from the system folder,
// with its own imports looked for there first; kept loaded for the
// program's life, so that later loads by name find it. Null when it cannot
// be loaded (a DLL that a system lacks, say).
HMODULE LoadSystemDll(const wchar_t* name);

// A seam of the test build (elevation_seam.cpp): what install_tests can make
// the install action's start do, and what it saw. Reset after each test.
#pragma once
#include <windows.h>

#include <string>

struct ElevationSeam {
    // CreateProcessW fails with ERROR_ELEVATION_REQUIRED, as Windows answers
    // for a program whose manifest asks for administrator rights.
    bool refuseStart = false;
    // ShellExecuteExW fails with this error (ERROR_CANCELLED: the user
    // declined the prompt); 0: it starts the program.
    DWORD shellError = 0;
    int refusedStarts = 0;
    int shellStarts = 0;
    bool waitingWhileShellAsks = false;  // IsWaitingForAppManager() then
    ULONG shellMask = 0;
    HWND shellOwner = nullptr;
    std::wstring shellFile, shellParameters, shellFolder;
};

extern ElevationSeam g_elevationSeam;

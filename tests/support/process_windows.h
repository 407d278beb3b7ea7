// Windows of another (or this) process, seen from outside.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The first visible top-level window of `processId` that `matches` accepts;
// null when there is none.
HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& matches);

std::wstring ClassNameOf(HWND window);

// WM_GETTEXT, with a time-out so that a hung program cannot hang the test.
std::wstring WindowText(HWND window);

// A time limit that stands for "never": `ms` times VRIX_TEST_TIME_SCALE,
// which the virtual machine sets, where Wine runs ten times slower (1 where
// it is unset). A limit that is itself under test (Windows' 5 s before it
// calls a window hung) is not scaled.
DWORD ScaledMs(DWORD ms);

// Runs `commandLine` and returns its exit code; STILL_ACTIVE, after ending
// it, when it has not ended within `timeoutMs` (scaled). Fails the test when it
// cannot be started.
DWORD ExitCodeOf(std::wstring commandLine, DWORD timeoutMs);

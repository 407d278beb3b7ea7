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

// Runs `commandLine` and returns its exit code; STILL_ACTIVE, after ending
// it, when it has not ended within `timeoutMs`. Fails the test when it
// cannot be started.
DWORD ExitCodeOf(std::wstring commandLine, DWORD timeoutMs);

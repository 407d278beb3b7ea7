// Pixels of what is on screen, for checks and for screenshots people look at.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // rows top to bottom
    COLORREF At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// The screen area of `window` (in screen coordinates: `rect` if given).
Capture CaptureScreen(const RECT& rect);
Capture CaptureWindow(HWND window);

// For a picture of a window that has just come up (a message box): waits
// until it and its controls have no part left to paint and two captures
// agree (5 s at most), then captures it.
Capture CaptureWindowOncePainted(HWND window);

// Saves a capture as a 24-bit BMP under the screenshot folder; returns the path.
std::wstring SaveScreenshot(const Capture& capture, const std::wstring& name);

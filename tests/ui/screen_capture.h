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

// The screen area `rect` (in screen coordinates).
Capture CaptureScreen(const RECT& rect);

// The screen area of `window` once it is painted: it waits until the window
// and its controls have no part left to paint and four captures 50 ms apart
// agree, as a window that has just come up may not have drawn its texts yet.
// Fails the test when that has not happened within 5 s (scaled: ScaledMs).
Capture CaptureWindow(HWND window);

// Saves a capture as a 24-bit BMP under the screenshot folder; returns the path.
std::wstring SaveScreenshot(const Capture& capture, const std::wstring& name);

// Saves `capture` of `window` as SaveScreenshot does (the README's pictures
// come from these), but only when it shows every text the window shows:
// each visible control with a text shows more than one colour inside its
// edges (beside a radio button's mark). Otherwise it fails the test, naming
// the control, and saves nothing, so that a half-painted picture is never
// kept.
void SaveScreenshotShowingTexts(const Capture& capture, HWND window, const std::wstring& name);

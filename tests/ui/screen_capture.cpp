#include "screen_capture.h"

#include <gtest/gtest.h>

#include <map>

#include "process_windows.h"
#include "test_files.h"
#include "test_paths.h"

Capture CaptureScreen(const RECT& rect)
{
    Capture capture;
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    if (capture.width <= 0 || capture.height <= 0)
        return capture;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD* source = static_cast<const DWORD*>(bits);
    capture.pixels.resize(size_t(capture.width) * capture.height);
    for (size_t i = 0; i < capture.pixels.size(); ++i) {
        const DWORD bgr = source[i];
        capture.pixels[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

Capture CaptureWindow(HWND window)
{
    const auto painted = [](HWND control) {
        RECT dirty;
        return !GetUpdateRect(control, &dirty, FALSE);
    };
    Capture last;
    int unchanged = 0;
    const ULONGLONG deadline = GetTickCount64() + ScaledMs(5000);
    while (unchanged < 3 && GetTickCount64() < deadline) {
        bool done = painted(window);
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            done = done && painted(child);
        RECT rect = {};
        GetWindowRect(window, &rect);
        Capture now = CaptureScreen(rect);
        unchanged = done && now.pixels == last.pixels ? unchanged + 1 : 0;
        last = now;
        if (unchanged < 3)
            Sleep(50);
    }
    if (unchanged < 3)
        ADD_FAILURE() << "the window was still painting or changing after " << ScaledMs(5000) / 1000 << " s";
    return last;
}

namespace {

// Whether `control`'s text shows in `capture` of `window`: its area, inside
// the edges and beside a radio button's or check box's mark, holds at least
// a few pixels of another colour than its most common one.
bool ShowsItsText(const Capture& capture, HWND window, HWND control)
{
    RECT area = {}, origin = {};
    GetWindowRect(control, &area);
    GetWindowRect(window, &origin);
    OffsetRect(&area, -origin.left, -origin.top);
    InflateRect(&area, -3, -3);
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (ClassNameOf(control) == L"Button" && type >= BS_CHECKBOX && type <= BS_AUTORADIOBUTTON && type != BS_GROUPBOX)
        area.left += GetSystemMetrics(SM_CXMENUCHECK) + 1;
    std::map<COLORREF, int> counts;
    int total = 0, most = 0;
    for (LONG y = std::max(0L, area.top); y < std::min(LONG(capture.height), area.bottom); ++y)
        for (LONG x = std::max(0L, area.left); x < std::min(LONG(capture.width), area.right); ++x, ++total)
            most = std::max(most, ++counts[capture.At(x, y)]);
    return total - most >= 10;
}

BOOL CALLBACK CollectControl(HWND control, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(control);
    return TRUE;
}

}  // namespace

void SaveScreenshotShowingTexts(const Capture& capture, HWND window, const std::wstring& name)
{
    std::vector<HWND> controls;
    EnumChildWindows(window, CollectControl, reinterpret_cast<LPARAM>(&controls));
    bool complete = true;
    for (HWND control : controls) {
        if (!IsWindowVisible(control) || ClassNameOf(control) == L"#32770" || WindowText(control).empty())
            continue;
        if (!ShowsItsText(capture, window, control)) {
            ADD_FAILURE() << Utf8(name) << ": the text of control " << GetDlgCtrlID(control) << " (\""
                          << Utf8(WindowText(control).substr(0, 20)) << "\") does not show; not saved";
            complete = false;
        }
    }
    if (complete)
        SaveScreenshot(capture, name);
}

std::wstring SaveScreenshot(const Capture& capture, const std::wstring& name)
{
    CreateDirectoryW(TEST_SCREENSHOT_DIR, nullptr);
    const std::wstring path = std::wstring(TEST_SCREENSHOT_DIR) + L"\\" + name + L".bmp";
    const int stride = (capture.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = capture.width;
    header.biHeight = capture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = DWORD(stride) * capture.height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string data(reinterpret_cast<const char*>(&file), sizeof(file));
    data.append(reinterpret_cast<const char*>(&header), sizeof(header));
    std::string row(stride, '\0');
    for (int y = capture.height - 1; y >= 0; --y) {
        for (int x = 0; x < capture.width; ++x) {
            const COLORREF c = capture.At(x, y);
            row[x * 3] = char(GetBValue(c));
            row[x * 3 + 1] = char(GetGValue(c));
            row[x * 3 + 2] = char(GetRValue(c));
        }
        data += row;
    }
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (out != INVALID_HANDLE_VALUE) {
        WriteFile(out, data.data(), DWORD(data.size()), &written, nullptr);
        CloseHandle(out);
    }
    return path;
}

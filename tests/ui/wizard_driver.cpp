#include "wizard_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_files.h"

namespace {

// Where the pointer goes after a click: away from every button, so that no
// hover effect colours one. (Under Wine the late echo of the click's own
// move can bring it back; Wine draws these classic controls without any
// hover effect.)
const POINT RestingPoint = {5, 5};

// A mouse event at `point` on the primary screen: the pointer moves there
// and, with `button`, the left button goes down or up there. Absolute input
// runs from 0 to 65535 across the screen; rounding up makes the system's
// conversion back land on the pixel itself. Each event carries its own
// position, so that it happens where it is aimed even if the pointer moved
// meanwhile: under Wine the program also reports the X server's echo of each
// move, sometimes late.
INPUT MouseAt(POINT point, DWORD button = 0)
{
    const LONGLONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((point.x * 65536LL + width - 1) / width);
    input.mi.dy = static_cast<LONG>((point.y * 65536LL + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    return input;
}

INPUT KeyStroke(WORD virtualKey, DWORD up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up;
    return input;
}

void Send(std::vector<INPUT> inputs)
{
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    EXPECT_EQ(inputs.size(), sent) << "SendInput failed: error " << GetLastError();
}

// Screen coordinates and metrics in physical pixels at any DPI, as the
// program under test sees them (it declares itself DPI aware; Wine treats
// every program as aware): declared before any test reads a metric.
[[maybe_unused]] const BOOL DpiAware = SetProcessDPIAware();

// Input goes to the foreground window, as it does for a user at the screen.
// Windows lets a process set the foreground window only in the cases that
// SetForegroundWindow documents; one is that the process "received the last
// input event", whatever program is in front (a runner's own console), and
// Windows counts the process that sent it with SendInput (to be confirmed on
// a real runner). The input sent for it is the key-up of a virtual key that
// no keyboard sends (0xE8 is unassigned), which no window acts on. Sharing the foreground thread's
// input state for a moment is the last try. Where the window still cannot
// be brought there, the test fails at once: input would go to another window.
bool BringToForeground(HWND window)
{
    const auto isForeground = [&] { return GetForegroundWindow() == window; };
    if (isForeground())
        return true;
    SetForegroundWindow(window);
    if (WaitUntil(isForeground, 1000))
        return true;
    Send({KeyStroke(0xE8, KEYEVENTF_KEYUP)});
    SetForegroundWindow(window);
    if (WaitUntil(isForeground, 1000))
        return true;
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    AttachThreadInput(GetCurrentThreadId(), foregroundThread, TRUE);
    SetForegroundWindow(window);
    AttachThreadInput(GetCurrentThreadId(), foregroundThread, FALSE);
    if (WaitUntil(isForeground, 2000))
        return true;
    // A fatal failure, so that the test's later waits end at once.
    [] { FAIL() << "the wizard did not come to the foreground: no input sent, no pixel read"; }();
    return false;
}

// The pointer goes to `point`, presses and releases the left button there,
// and moves away again.
void ClickAt(HWND window, POINT point)
{
    if (!BringToForeground(GetAncestor(window, GA_ROOT)))
        return;
    Send({MouseAt(point), MouseAt(point, MOUSEEVENTF_LEFTDOWN), MouseAt(point, MOUSEEVENTF_LEFTUP),
          MouseAt(RestingPoint)});
}

}  // namespace

bool IsChecked(HWND button)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, ScaledMs(3000), &result);
    return result == BST_CHECKED;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + ScaledMs(timeoutMs);
    while (!condition()) {
        // A test that has failed for good (the wizard lost the foreground) ends at once.
        if (testing::Test::HasFatalFailure())
            return false;
        if (GetTickCount64() > deadline)
            return false;
        Sleep(25);
    }
    return true;
}

WizardDriver::~WizardDriver()
{
    if (process_.hProcess != nullptr) {
        if (Running())
            TerminateProcess(process_.hProcess, 0xDEAD);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool WizardDriver::Start(const std::wstring& program, const std::wstring& tempFolder)
{
    SetTempFolder(tempFolder);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_))
        return false;
    WaitUntil([&] {
        frame_ = FindProcessWindow(process_.dwProcessId, [](HWND window) {
            return ClassNameOf(window) == L"#32770" && WindowText(window) == L"VRIX Mobile Security";
        });
        return frame_ != nullptr && Page() != nullptr;
    }, 15000);
    if (frame_ == nullptr)
        return false;
    Send({MouseAt(RestingPoint)});
    return true;
}

HWND WizardDriver::Page() const
{
    for (HWND child = FindWindowExW(frame_, nullptr, L"#32770", nullptr); child != nullptr;
         child = FindWindowExW(frame_, child, L"#32770", nullptr)) {
        if (IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

HWND WizardDriver::Control(int id) const
{
    const HWND page = Page();
    return page ? GetDlgItem(page, id) : nullptr;
}

HWND WizardDriver::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(process_.dwThreadId, &info);
    return info.hwndFocus;
}

bool WizardDriver::Running() const
{
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD WizardDriver::WaitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(process_.hProcess, ScaledMs(timeoutMs)) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void WizardDriver::Click(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    ClickAt(window, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

bool WizardDriver::ClickCloseBox()
{
    // Find the close button by asking the frame what is where.
    RECT rect;
    GetWindowRect(frame_, &rect);
    const int height = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) + 2;
    for (int y = rect.top + 2; y < rect.top + height; y += 2) {
        for (int x = rect.right - 2; x > rect.right - 60; x -= 2) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutW(frame_, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
            if (hit == HTCLOSE) {
                ClickAt(frame_, {x, y});
                return true;
            }
        }
    }
    return false;
}

bool WizardDriver::ToForeground()
{
    return BringToForeground(frame_);
}

void WizardDriver::Key(WORD virtualKey)
{
    if (!ToForeground())
        return;
    Send({KeyStroke(virtualKey, 0), KeyStroke(virtualKey, KEYEVENTF_KEYUP)});
}

void WizardDriver::AltKey(WORD virtualKey)
{
    if (!ToForeground())
        return;
    Send({KeyStroke(VK_MENU, 0), KeyStroke(virtualKey, 0), KeyStroke(virtualKey, KEYEVENTF_KEYUP),
          KeyStroke(VK_MENU, KEYEVENTF_KEYUP)});
}


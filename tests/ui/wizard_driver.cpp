#include "wizard_driver.h"

#include "test_files.h"
#include "test_paths.h"

namespace {

std::string UnixPath(const std::wstring& windowsPath)
{
    std::string path = Utf8(windowsPath.substr(2));  // drop "Z:"
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

}  // namespace

bool IsChecked(HWND button)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 3000, &result);
    return result == BST_CHECKED;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(25);
    }
    return true;
}

// Wine starts Unix programs but gives no handle to wait on, so the shell
// writes xdotool's exit status to a file when it is done.
bool RunXdotool(const std::string& arguments)
{
    static int counter = 0;
    const std::wstring done = std::wstring(TEST_SCRATCH_DIR) + L"\\xdotool-"
                            + std::to_wstring(GetCurrentProcessId()) + L"-"
                            + std::to_wstring(++counter) + L".done";
    CreateDirectoryW(TEST_SCRATCH_DIR, nullptr);
    DeleteFileW(done.c_str());
    const std::wstring command = L"Z:\\bin\\sh -c \"xdotool " + FromUtf8(arguments) + L"; echo $? > '"
                               + FromUtf8(UnixPath(done)) + L"'\"";
    std::wstring mutableCommand = command;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &mutableCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    bool ok = false;
    WaitUntil([&] {
        const std::string status = ReadBytes(done, &ok);
        ok = ok && !status.empty() && status.back() == '\n';
        return ok;
    }, 10000);
    const bool succeeded = ok && ReadBytes(done).substr(0, 1) == "0";
    DeleteFileW(done.c_str());
    return succeeded;
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
    // The pointer away from the buttons, so no hover effect colours them.
    RunXdotool("mousemove 5 5");
    Settle();
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
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void WizardDriver::Click(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    RunXdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y)
               + " click 1 mousemove 5 5");
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
                return RunXdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y)
                                  + " click 1 mousemove 5 5");
            }
        }
    }
    return false;
}

void WizardDriver::Key(const std::string& keys)
{
    RunXdotool("key " + keys);
}

void WizardDriver::Settle()
{
    Sleep(300);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(frame_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
}

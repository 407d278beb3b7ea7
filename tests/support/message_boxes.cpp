#include "message_boxes.h"

#include "process_windows.h"

namespace {

// The message text control of a message box.
const int MessageTextId = 0xFFFF;

BOOL CALLBACK CountButtons(HWND child, LPARAM param)
{
    if (_wcsicmp(ClassNameOf(child).c_str(), L"Button") == 0 && IsWindowVisible(child))
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

}  // namespace

HWND FindMessageBox(DWORD processId, const std::wstring& caption)
{
    return FindProcessWindow(processId, [&](HWND window) {
        return ClassNameOf(window) == L"#32770" && GetDlgItem(window, MessageTextId) != nullptr
            && WindowText(window) == caption;
    });
}

SeenMessageBox ReadAndPressOk(HWND box)
{
    SeenMessageBox seen;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, MessageTextId));
    seen.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
    int buttons = 0;
    EnumChildWindows(box, CountButtons, reinterpret_cast<LPARAM>(&buttons));
    const HWND ok = GetDlgItem(box, IDOK);
    seen.hasOnlyOkButton = buttons == 1 && ok != nullptr;
    // The command the OK button sends, posted to the box itself: BM_CLICK
    // may do nothing while the box is not the active window.
    if (ok != nullptr)
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    return seen;
}

bool DismissMessageBox(DWORD processId, const std::wstring& caption, DWORD timeoutMs,
                       SeenMessageBox* seen)
{
    const ULONGLONG deadline = GetTickCount64() + ScaledMs(timeoutMs);
    do {
        if (HWND box = FindMessageBox(processId, caption)) {
            *seen = ReadAndPressOk(box);
            // Wait until it is gone so the next search does not find it again.
            for (int i = 0; i < 200 && IsWindow(box); ++i)
                Sleep(10);
            return true;
        }
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return false;
}

MessageBoxWatcher::MessageBoxWatcher(std::wstring caption)
    : caption_(std::move(caption)), thread_([this] { Run(); })
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    StopAndCollect();
}

std::vector<SeenMessageBox> MessageBoxWatcher::StopAndCollect()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Run()
{
    while (!stop_) {
        SeenMessageBox seen;
        if (DismissMessageBox(GetCurrentProcessId(), caption_, 50, &seen)) {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(seen);
        }
    }
}

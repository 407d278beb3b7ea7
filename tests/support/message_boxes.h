// Finds message boxes on screen and dismisses them as a user would, so that
// code that shows one can run unattended.
#pragma once
#include <windows.h>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    bool hasOnlyOkButton = false;
    bool hasOwner = false;
};

// The first visible message box (dialog class "#32770" holding the message
// text control) of process `processId` whose caption is `caption`; null if none.
HWND FindMessageBox(DWORD processId, const std::wstring& caption);

// Reads the box, then presses its OK button. Returns what it read.
SeenMessageBox ReadAndPressOk(HWND box);

// Waits up to `timeoutMs` (scaled: ScaledMs) for a box with `caption` in
// `processId`, reads it and presses OK. False if none appeared.
bool DismissMessageBox(DWORD processId, const std::wstring& caption, DWORD timeoutMs,
                       SeenMessageBox* seen);

// Presses OK on every box with `caption` in this process while it lives, and
// keeps what each said.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(std::wstring caption);
    ~MessageBoxWatcher();
    // Stops watching (a box being pressed is still recorded) and returns
    // every box seen.
    std::vector<SeenMessageBox> StopAndCollect();

private:
    void Run();
    std::wstring caption_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<SeenMessageBox> seen_;
    std::thread thread_;
};

// Drives a running VRIXSetup.exe from outside, as a user would: real mouse
// and keyboard input (SendInput, with the wizard in the foreground), and the
// window state read with ordinary cross-process calls.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "process_windows.h"

class WizardDriver {
public:
    ~WizardDriver();

    // Starts the program with TMP and TEMP set to `tempFolder`; waits for
    // its frame. False when it did not come up.
    bool Start(const std::wstring& program, const std::wstring& tempFolder);

    HWND Frame() const { return frame_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    DWORD ThreadId() const { return process_.dwThreadId; }
    // The visible page inside the frame; null when there is none.
    HWND Page() const;
    HWND Control(int id) const;
    HWND Focus() const;
    bool Running() const;
    // Exit code once the program has ended within `timeoutMs` (scaled:
    // ScaledMs); STILL_ACTIVE otherwise.
    DWORD WaitForExit(DWORD timeoutMs);

    // Brings the frame to the foreground, where input and pixel checks need
    // it; false, with the test failed, where it cannot be brought there.
    bool ToForeground();

    // Real input, sent only while the wizard is in the foreground. A click presses the left button at the centre of `window`
    // (any window of the program: a control, a message box's button) and
    // moves the pointer away again; keys go to the frame's focused control.
    void Click(HWND window);
    bool ClickCloseBox();  // false when the frame shows no close box
    void Key(WORD virtualKey);
    void AltKey(WORD virtualKey);  // the key with Alt held, as for an accelerator

private:
    PROCESS_INFORMATION process_ = {};
    HWND frame_ = nullptr;
};

bool IsChecked(HWND button);

// Polls `condition` until it holds or `timeoutMs` (scaled: ScaledMs) passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

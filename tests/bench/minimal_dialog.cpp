// The baseline: the least a Win32 program with a dialog does. Started with
// "/agreement" it also shows the license agreement, to tell the cost of
// drawing that text from the installer's own. Started with "/launch", its
// OK button starts the command line in VRIX_BASELINE_COMMAND and waits for
// its primary thread, as the installer's Finish does with the Application
// Manager, and then ends.
#include <windows.h>
#include <wchar.h>

#include "page_texts.h"

namespace {

enum Mode { PlainMode, AgreementMode, LaunchMode };

void StartAndWait()
{
    wchar_t commandLine[1024] = {};
    const DWORD length = GetEnvironmentVariableW(L"VRIX_BASELINE_COMMAND", commandLine, 1024);
    if (length == 0 || length >= 1024)
        return;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hThread, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

INT_PTR CALLBACK MinimalProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static Mode mode;
    switch (message) {
    case WM_INITDIALOG:
        mode = static_cast<Mode>(lParam);
        if (mode == AgreementMode)
            SetDlgItemTextW(dialog, 6, LicenseText);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && mode == LaunchMode)
            StartAndWait();
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, 0);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    Mode mode = PlainMode;
    if (wcsstr(commandLine, L"/agreement") != nullptr)
        mode = AgreementMode;
    else if (wcsstr(commandLine, L"/launch") != nullptr)
        mode = LaunchMode;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, MinimalProc, mode);
    return 0;
}

// The baseline: the least a Win32 program with a dialog does. Started with
// "/agreement" it also shows the license agreement, to tell the cost of
// drawing that text from the installer's own.
#include <windows.h>
#include <wchar.h>

#include "page_texts.h"

namespace {

INT_PTR CALLBACK MinimalProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    if (message == WM_INITDIALOG && lParam != 0)
        SetDlgItemTextW(dialog, 6, LicenseText);
    return message == WM_INITDIALOG;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    const LPARAM showAgreement = wcsstr(commandLine, L"/agreement") != nullptr;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, MinimalProc, showAgreement);
    return 0;
}

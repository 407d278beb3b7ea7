// The frame: an empty top-level dialog that hosts the current page and hands
// it the keyboard's commands.
#include "wizard.h"

#include "install.h"

#include "resource.h"

HINSTANCE g_instance;
HWND g_frame;
HWND g_currentPage;

namespace {

HICON g_bigIcon;
HICON g_smallIcon;

// The icon's image for the system's icon size (`widthMetric` and
// `heightMetric`): 32 and 16 pixels at 96 DPI, larger at higher DPI.
// LoadImageW picks the closest of the icon's images.
HICON LoadAppIcon(int widthMetric, int heightMetric)
{
    return static_cast<HICON>(LoadImageW(g_instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

INT_PTR OnFrameInit(HWND frame)
{
    // A missing icon leaves the platform's default one.
    g_bigIcon = LoadAppIcon(SM_CXICON, SM_CYICON);
    g_smallIcon = LoadAppIcon(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_bigIcon));
    SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
    g_frame = frame;
    ShowWelcomePage();
    return TRUE;
}

// Enter and Escape reach the frame, which runs the modal loop: the page
// decides what they mean from the focused control.
void OnFrameCommand()
{
    if (g_currentPage != nullptr)
        SendMessageW(g_currentPage, WM_PAGE_ACTIVATE, reinterpret_cast<WPARAM>(GetFocus()), 0);
}

void OnFrameDestroy()
{
    if (g_bigIcon != nullptr)
        DestroyIcon(g_bigIcon);
    if (g_smallIcon != nullptr)
        DestroyIcon(g_smallIcon);
    g_bigIcon = g_smallIcon = nullptr;
    PostQuitMessage(0);
}

void ShowPage(int templateId, DLGPROC procedure)
{
    g_currentPage = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(templateId), g_frame, procedure, 0);
    if (g_currentPage == nullptr)
        return;
    SetWindowPos(g_currentPage, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    UpdateWindow(g_currentPage);
}

}  // namespace

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_APP_MANAGER_WAIT:
        // The wait's own state decides, not what a sender claims.
        HoldPage(g_currentPage, IsWaitingForAppManager());
        return TRUE;
    case WM_INITDIALOG:
        return OnFrameInit(frame);
    case WM_COMMAND:
        OnFrameCommand();
        return FALSE;
    case WM_CLOSE:
        // Fully handled, and the same on either page: the page is never
        // consulted, so no page is passed.
        RaisePageEvent(nullptr, WelcomeState, CloseEvent);
        return TRUE;
    case WM_DESTROY:
        OnFrameDestroy();
        return FALSE;
    }
    return FALSE;
}

void ShowWelcomePage()
{
    ShowPage(IDD_WELCOME, WelcomePageProc);
}

void ShowLicensePage()
{
    ShowPage(IDD_LICENSE, LicensePageProc);
}

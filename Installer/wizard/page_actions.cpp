// How the pages carry out the page flow's decisions.
#include "wizard.h"

#include "install.h"
#include "page_chrome.h"
#include "resource.h"

namespace {

int ControlId(PageControl control)
{
    switch (control) {
    case NextControl:
    case FinishControl:
        return IDOK;
    case CancelControl:
        return IDCANCEL;
    case BackControl:
        return IDC_BACK;
    case AcceptControl:
        return IDC_ACCEPT;
    case DeclineControl:
        return IDC_DECLINE;
    }
    return 0;
}

struct FocusQuery {
    HWND page;
    HWND focus;
};

bool ControlHasFocus(PageControl control, void* context)
{
    const FocusQuery* query = static_cast<const FocusQuery*>(context);
    return query->focus != nullptr && GetDlgItem(query->page, ControlId(control)) == query->focus;
}

void DestroyPage(HWND page)
{
    // Only the current page still exists: one destroyed while a message box
    // of the installation was open is not destroyed again.
    if (page != nullptr && page == g_currentPage)
        DestroyWindow(page);
}

void RecomputeFinish(HWND page)
{
    EnableWindow(GetDlgItem(page, IDOK), IsDlgButtonChecked(page, IDC_ACCEPT) == BST_CHECKED);
}

void KeepAccepted(HWND page)
{
    SendDlgItemMessageW(page, IDC_ACCEPT, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(page, IDC_DECLINE, BM_SETCHECK, BST_UNCHECKED, 0);
}

void CarryOutPageStep(HWND page, const PageStep& step)
{
    for (int i = 0; i < step.effectCount; ++i) {
        switch (step.effects[i]) {
        case DestroyPageEffect:
            DestroyPage(page);
            break;
        case ShowWelcomeEffect:
            ShowWelcomePage();
            break;
        case ShowLicenseEffect:
            ShowLicensePage();
            break;
        case RecomputeFinishEffect:
            RecomputeFinish(page);
            break;
        case RunInstallEffect:
            RunInstall();
            break;
        case KeepAcceptedEffect:
            KeepAccepted(page);
            break;
        case RequestEndEffect:
            PostQuitMessage(0);
            break;
        }
    }
}

}  // namespace

void SetControlTexts(HWND page, const ControlText* texts, int count)
{
    for (int i = 0; i < count; ++i)
        SetDlgItemTextW(page, texts[i].id, texts[i].text);
}

void HoldPage(HWND page, bool held)
{
    // Only the license page starts an installation.
    if (page == nullptr || GetDlgItem(page, IDC_ACCEPT) == nullptr)
        return;
    // A disabled button left with the focus would leave the keyboard nowhere;
    // the agreement can still be scrolled.
    if (held) {
        SendMessageW(g_frame, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_BODY)), TRUE);
        EnableWindow(GetDlgItem(page, IDOK), FALSE);
    } else {
        RecomputeFinish(page);
    }
    EnableWindow(GetDlgItem(page, IDC_BACK), !held);
    EnableWindow(GetDlgItem(page, IDCANCEL), !held);
}

void OnPageDestroy(HWND page)
{
    DeleteTitleFont(page);
    if (g_currentPage == page)
        g_currentPage = nullptr;
}

PageEvent FocusedPageEvent(HWND page, PageState state, HWND focus)
{
    FocusQuery query = {page, focus};
    return FocusedControlEvent(state, ControlHasFocus, &query);
}

void RaisePageEvent(HWND page, PageState state, PageEvent event)
{
    // Finish is the license page's IDOK; on the welcome page IDOK is Next.
    const bool finishEnabled = state == LicenseState && IsWindowEnabled(GetDlgItem(page, IDOK)) != FALSE;
    CarryOutPageStep(page, NextPageStep(state, event, finishEnabled, IsWaitingForAppManager()));
}

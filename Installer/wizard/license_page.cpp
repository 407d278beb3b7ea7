// The license page: the agreement, the choice, and Finish.
#include "wizard.h"

#include "page_chrome.h"
#include "page_texts.h"
#include "resource.h"

namespace {

const ControlText LicenseTexts[] = {
    {IDC_LICENSE_TITLE, LicenseTitle},
    {IDC_LICENSE_SUBTITLE, LicenseSubtitle},
    {IDC_ACCEPT, AcceptCaption},
    {IDC_DECLINE, DeclineCaption},
    {IDOK, FinishCaption},
    {IDC_BACK, BackCaption},
    {IDCANCEL, CancelCaption},
    {IDC_BODY, LicenseText},
};

INT_PTR OnLicenseInit(HWND page)
{
    SetControlTexts(page, LicenseTexts, sizeof(LicenseTexts) / sizeof(LicenseTexts[0]));
    MakeTitleSemiBold(page, IDC_LICENSE_TITLE);
    // Neither choice is checked and Finish is disabled: both come from the template.
    SetFocus(GetDlgItem(page, IDC_ACCEPT));
    return TRUE;
}

void OnLicenseEvent(HWND page, PageEvent event)
{
    RaisePageEvent(page, LicenseState, event);
}

// No text in the agreement is shown selected, whatever has the focus.
void ClearLicenseSelection(HWND page)
{
    SendDlgItemMessageW(page, IDC_BODY, EM_SETSEL, static_cast<WPARAM>(-1), -1);
}

void OnLicenseCommand(HWND page, int id, int code)
{
    if (code == EN_SETFOCUS) {
        ClearLicenseSelection(page);
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IDOK:
        OnLicenseEvent(page, FinishEvent);
        break;
    case IDCANCEL:
        OnLicenseEvent(page, CancelEvent);
        break;
    case IDC_BACK:
        OnLicenseEvent(page, BackEvent);
        break;
    case IDC_ACCEPT:
    case IDC_DECLINE:
        OnLicenseEvent(page, AcceptOrDeclineEvent);
        ClearLicenseSelection(page);
        break;
    default:
        ClearLicenseSelection(page);
        break;
    }
}

INT_PTR OnLicenseColor(HWND page, HDC dc, HWND control)
{
    // The agreement keeps the platform's read-only edit box colours.
    if (control == GetDlgItem(page, IDC_BODY))
        return FALSE;
    return StaticTextColors(page, dc, control);
}

}  // namespace

INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnLicenseInit(page);
    case WM_COMMAND:
        OnLicenseCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_PAGE_ACTIVATE:
        OnLicenseEvent(page, FocusedPageEvent(page, LicenseState, reinterpret_cast<HWND>(wParam)));
        return TRUE;
    case WM_PAINT:
        PaintHeaderBand(page);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return OnLicenseColor(page, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        OnPageDestroy(page);
        return TRUE;
    }
    return FALSE;
}

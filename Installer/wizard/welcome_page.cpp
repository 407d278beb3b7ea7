// The welcome page: what will be installed and what the device needs.
#include "wizard.h"

#include "page_chrome.h"
#include "page_texts.h"
#include "resource.h"

namespace {

const ControlText WelcomeTexts[] = {
    {IDC_BODY, WelcomeText},
    {IDC_WELCOME_TITLE, WelcomeTitle},
    {IDC_STATIC, WelcomeSubtitle},  // the only control with that id here
    {IDC_BACK, BackCaption},
    {IDOK, NextCaption},
    {IDCANCEL, CancelCaption},
};

INT_PTR OnWelcomeInit(HWND page)
{
    SetControlTexts(page, WelcomeTexts, sizeof(WelcomeTexts) / sizeof(WelcomeTexts[0]));
    MakeTitleSemiBold(page, IDC_WELCOME_TITLE);
    SetFocus(GetDlgItem(page, IDOK));
    return TRUE;
}

void OnWelcomeEvent(HWND page, PageEvent event)
{
    RaisePageEvent(page, WelcomeState, event);
}

PageEvent ClickEvent(int id)
{
    switch (id) {
    case IDOK:
        return NextEvent;
    case IDCANCEL:
        return CancelEvent;
    }
    return NoEvent;
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnWelcomeInit(page);
    case WM_COMMAND:
        OnWelcomeEvent(page, ClickEvent(LOWORD(wParam)));
        return TRUE;
    case WM_PAGE_ACTIVATE:
        OnWelcomeEvent(page, FocusedPageEvent(page, WelcomeState, reinterpret_cast<HWND>(wParam)));
        return TRUE;
    case WM_PAINT:
        PaintHeaderBand(page);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return StaticTextColors(page, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        OnPageDestroy(page);
        return TRUE;
    }
    return FALSE;
}

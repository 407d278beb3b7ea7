#include "page_chrome.h"

#include "resource.h"

static_assert(sizeof(LOGFONTW) == 92, "LOGFONTW");

void PaintHeaderBand(HWND page)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    if (dc == nullptr)
        return;
    RECT rule;
    RECT band;
    if (GetWindowRect(GetDlgItem(page, IDC_HEADER_RULE), &rule) && GetClientRect(page, &band)) {
        POINT ruleTopRight = {rule.right, rule.top};
        ScreenToClient(page, &ruleTopRight);
        band.bottom = ruleTopRight.y;
        // The system's brush: in a high-contrast scheme the band follows it.
        FillRect(dc, &band, GetSysColorBrush(COLOR_WINDOW));
    }
    EndPaint(page, &paint);
}

namespace {

bool InHeaderBand(HWND page, HWND control)
{
    RECT rule;
    RECT area;
    return GetWindowRect(GetDlgItem(page, IDC_HEADER_RULE), &rule) && GetWindowRect(control, &area)
        && area.top < rule.top;
}

}  // namespace

INT_PTR StaticTextColors(HWND page, HDC dc, HWND control)
{
    // Opaque on the very colour behind it, so that the text is drawn once:
    // drawn transparent, a text that repaints alone (a radio button at each
    // change of its check, a caption whose underline Alt shows or hides)
    // would be drawn over itself and darken and thicken at every pass.
    const bool inBand = InHeaderBand(page, control);
    const int background = inBand ? COLOR_WINDOW : COLOR_BTNFACE;
    // The device context's own text colour is black whatever the scheme.
    SetTextColor(dc, GetSysColor(inBand ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(background));
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(background));
}

void MakeTitleSemiBold(HWND page, int titleId)
{
    const HWND title = GetDlgItem(page, titleId);
    const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0));
    LOGFONTW description;
    if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof(description), &description) != sizeof(description))
        return;
    description.lfWeight = FW_SEMIBOLD;
    const HFONT titleFont = CreateFontIndirectW(&description);
    if (titleFont == nullptr)
        return;
    // Kept with the page, so that each page instance deletes its own.
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(titleFont));
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);
}

void DeleteTitleFont(HWND page)
{
    const HFONT titleFont = reinterpret_cast<HFONT>(SetWindowLongPtrW(page, DWLP_USER, 0));
    if (titleFont != nullptr)
        DeleteObject(titleFont);
}

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
        FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(page, &paint);
}

INT_PTR TransparentStatic(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
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

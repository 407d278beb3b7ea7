// The look both pages share: a header band in the window colour (white in
// the standard schemes) above the header rule, static texts and radio
// buttons on the colour behind them, and a semi-bold title.
#pragma once
#include <windows.h>

// WM_PAINT: fills the band from the top of the page down to the header rule.
void PaintHeaderBand(HWND page);

// WM_CTLCOLORSTATIC from `control`: the colours of what lies behind it, the
// band's window colours above the header rule and the dialog's below it, for
// the text, its background and the brush returned as the result.
INT_PTR StaticTextColors(HWND page, HDC dc, HWND control);

// WM_INITDIALOG: gives the title control a semi-bold copy of its font, owned
// by this page instance.
void MakeTitleSemiBold(HWND page, int titleId);

// WM_DESTROY: deletes this page instance's title font.
void DeleteTitleFont(HWND page);

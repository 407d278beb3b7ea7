// The look both pages share: a white header band above the header rule,
// static texts and radio buttons without a background of their own, and a
// semi-bold title.
#pragma once
#include <windows.h>

// WM_PAINT: fills the band from the top of the page down to the header rule.
void PaintHeaderBand(HWND page);

// WM_CTLCOLORSTATIC: transparent text; the result to return.
INT_PTR TransparentStatic(HDC dc);

// WM_INITDIALOG: gives the title control a semi-bold copy of its font, owned
// by this page instance.
void MakeTitleSemiBold(HWND page, int titleId);

// WM_DESTROY: deletes this page instance's title font.
void DeleteTitleFont(HWND page);

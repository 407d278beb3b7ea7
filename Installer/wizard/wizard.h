// The frame, its pages and what they share.
#pragma once
#include <windows.h>

#include "page_flow.h"

// The frame's request to the current page to act on the focused control
// (wParam). It shares its number with DM_SETDEFID, so the pages answer it as
// handled in every case.
const UINT WM_PAGE_ACTIVATE = WM_USER + 1;

// Program-wide handles.
extern HINSTANCE g_instance;
extern HWND g_frame;
extern HWND g_currentPage;

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

void ShowWelcomePage();
void ShowLicensePage();

// A control's text as a page sets it at start.
struct ControlText {
    int id;
    const wchar_t* text;
};

// Sets the texts in the order given.
void SetControlTexts(HWND page, const ControlText* texts, int count);

// While the installation waits for the Application Manager (`held`), the
// license page shows that nothing on it can be used: its buttons are
// disabled, the focus is put in the agreement. The choices stay enabled: a
// radio button checked (by a click another program sends) while every button
// of its group is disabled looks for an enabled one to start its group from,
// and under Wine never stops looking; the page flow puts the choice back.
void HoldPage(HWND page, bool held);

// WM_DESTROY of either page: releases what the page instance owns, and stops
// forwarding commands to it.
void OnPageDestroy(HWND page);

// Raises `event` on `page` in `state` (a null page for the frame's close,
// which never consults a page): the page flow decides, and its effects are
// carried out in order.
void RaisePageEvent(HWND page, PageState state, PageEvent event);

// The page event of the control that has the focus (`focus`), if it is one
// of `page`'s controls that the page compares with.
PageEvent FocusedPageEvent(HWND page, PageState state, HWND focus);

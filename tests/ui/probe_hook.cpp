// Loaded into the running program through a WH_CALLWNDPROC hook, it reports
// what cannot be read from outside (GDI objects and icons). When the frame
// receives the registered message "VRIXProbe", it appends one line to the
// file named by VRIX_PROBE_OUT:
//   title_font=<handle> weight=<w> face_same=<0|1> height_same=<0|1>
//   big_icon=<width> small_icon=<width> stale_fonts_alive=<n> unfit=<ids>
// where stale_fonts_alive counts title fonts reported earlier (other than the
// current one) that are still GDI objects, and unfit lists the ids of the
// page's controls whose text does not fit inside them ("none" when all fit).
#include <windows.h>
#include <stdio.h>

#include <set>
#include <string>

namespace {

std::set<HGDIOBJ> g_seenFonts;

int IconWidth(HICON icon)
{
    ICONINFO info = {};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

// Whether `control`'s text fits inside it, measured with its own font as
// the control lays it out: wrapped at its width, no taller than it is, and
// beside the check mark of a radio button or within a push button's edges.
// An edit box scrolls, so its text always fits.
bool TextFits(HWND control)
{
    wchar_t text[8192] = {};
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    if (GetWindowTextW(control, text, 8192) == 0 || lstrcmpiW(className, L"Edit") == 0)
        return true;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client = {};
    GetClientRect(control, &client);
    LONG room = client.right;
    if (lstrcmpiW(className, L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        const bool hasMark = type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON
                          || type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
        room -= hasMark ? GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE)
                        : 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
    }
    UINT flags = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (lstrcmpiW(className, L"Static") == 0 && (style & SS_NOPREFIX))
        flags |= DT_NOPREFIX;
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, room, 0};
    DrawTextW(dc, text, -1, &needed, flags);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return needed.right <= room && needed.bottom <= client.bottom;
}

std::string UnfitControls(HWND page)
{
    std::string ids;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (!TextFits(child))
            ids += (ids.empty() ? "" : ",") + std::to_string(GetDlgCtrlID(child));
    return ids.empty() ? "none" : ids;
}

HWND CurrentPage(HWND frame)
{
    for (HWND child = FindWindowExW(frame, nullptr, L"#32770", nullptr); child != nullptr;
         child = FindWindowExW(frame, child, L"#32770", nullptr))
        if (IsWindowVisible(child))
            return child;
    return nullptr;
}

void Report(HWND frame)
{
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VRIX_PROBE_OUT", path, MAX_PATH))
        return;
    const HWND page = CurrentPage(frame);
    HWND title = page ? GetDlgItem(page, 1001) : nullptr;  // welcome title
    if (page && !title)
        title = GetDlgItem(page, 1006);                     // license title
    const HFONT titleFont = title ? reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0)) : nullptr;
    const HFONT pageFont = page ? reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)) : nullptr;
    LOGFONTW titleDescription = {}, pageDescription = {};
    if (titleFont)
        GetObjectW(titleFont, sizeof(titleDescription), &titleDescription);
    if (pageFont)
        GetObjectW(pageFont, sizeof(pageDescription), &pageDescription);

    int staleAlive = 0;
    for (HGDIOBJ seen : g_seenFonts)
        staleAlive += seen != titleFont && GetObjectType(seen) != 0;
    if (titleFont)
        g_seenFonts.insert(titleFont);

    const HICON big = reinterpret_cast<HICON>(SendMessageW(frame, WM_GETICON, ICON_BIG, 0));
    const HICON small = reinterpret_cast<HICON>(SendMessageW(frame, WM_GETICON, ICON_SMALL, 0));
    FILE* out = _wfopen(path, L"ab");
    if (out == nullptr)
        return;
    fprintf(out, "title_font=%p weight=%ld face_same=%d height_same=%d big_icon=%d small_icon=%d stale_fonts_alive=%d unfit=%s\n",
            static_cast<void*>(titleFont), static_cast<long>(titleDescription.lfWeight),
            lstrcmpW(titleDescription.lfFaceName, pageDescription.lfFaceName) == 0,
            titleDescription.lfHeight == pageDescription.lfHeight, IconWidth(big), IconWidth(small),
            staleAlive, page ? UnfitControls(page).c_str() : "none");
    fclose(out);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT probeMessage = RegisterWindowMessageW(L"VRIXProbe");
    if (code == HC_ACTION) {
        const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (message->message == probeMessage)
            Report(message->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

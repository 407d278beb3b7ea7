// Loaded into the running program through a WH_CALLWNDPROC hook, it reports
// what cannot be read from outside (GDI objects and icons). When the frame
// receives the registered message "VRIXProbe", it appends one line to the
// file named by VRIX_PROBE_OUT:
//   title_font=<handle> weight=<w> face_same=<0|1> height_same=<0|1>
//   big_icon=<width> small_icon=<width> stale_fonts_alive=<n>
// where stale_fonts_alive counts title fonts reported earlier (other than the
// current one) that are still GDI objects.
#include <windows.h>
#include <stdio.h>

#include <set>

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
    fprintf(out, "title_font=%p weight=%ld face_same=%d height_same=%d big_icon=%d small_icon=%d stale_fonts_alive=%d\n",
            static_cast<void*>(titleFont), static_cast<long>(titleDescription.lfWeight),
            lstrcmpW(titleDescription.lfFaceName, pageDescription.lfFaceName) == 0,
            titleDescription.lfHeight == pageDescription.lfHeight, IconWidth(big), IconWidth(small),
            staleAlive);
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

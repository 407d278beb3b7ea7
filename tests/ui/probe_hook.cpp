// Loaded into the running program through a WH_CALLWNDPROC hook, it reports
// what cannot be read from outside (GDI objects and icons). When the frame
// receives the registered message "VRIXProbe", it appends one line about the
// current page (or the window that wParam names, a message box) to the file
// named by VRIX_PROBE_OUT:
//   title_font=<handle> weight=<w> face_same=<0|1> height_same=<0|1>
//   big_icon=<width> small_icon=<width> stale_fonts_alive=<n> unfit=<ids>
//   chinese=<n> boxes=<n> system_icon=<width> system_small_icon=<width>
// where stale_fonts_alive counts title fonts reported earlier (other than the
// current one) that are still GDI objects, unfit lists the ids of the page's
// controls whose text does not fit inside them ("none" when all fit),
// chinese counts the distinct Chinese characters in the page's controls and
// boxes those of them that some control draws as the missing-glyph box, and
// the system_ sizes are the icon sizes of the system as the program sees it.
// Its WH_GETMESSAGE hook counts the F24 key releases that the program's
// thread has taken from its queue (marker_keys=<n> in the same line): input
// is taken in the order it came, so once a key sent last is taken, every
// earlier key and click has been taken too.
#include <windows.h>
#include <stdio.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::set<HGDIOBJ> g_seenFonts;
long g_markerKeys;

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

// CJK punctuation, ideographs and full-width forms; the ideographic space
// draws nothing in any font, so it cannot be told from a box that draws nothing.
bool IsChinese(wchar_t c)
{
    return (c > 0x3000 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

// `c` drawn alone in `font` (font links apply, as they do for the control),
// black on white, as the pixels of a DIB a few characters wide.
std::vector<DWORD> DrawAlone(HFONT font, wchar_t c)
{
    std::vector<DWORD> pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    const int height = metrics.tmHeight, width = 3 * metrics.tmHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && height > 0) {
        const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        const RECT all = {0, 0, width, height};
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, &c, 1, nullptr);
        GdiFlush();
        const DWORD* first = static_cast<const DWORD*>(bits);
        pixels.assign(first, first + size_t(width) * size_t(height));
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    return pixels;
}

// The distinct Chinese characters in the texts of `page`'s controls, and
// (in `boxed`) those of them that a control's own font draws exactly as it
// draws U+0378, an unassigned code point: the missing-glyph box.
void FindBoxedCharacters(HWND page, std::set<wchar_t>* chinese, std::set<wchar_t>* boxed)
{
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring text(size_t(GetWindowTextLengthW(child)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(child, &text[0], int(text.size()))));
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        const std::vector<DWORD> box = DrawAlone(font, 0x0378);
        for (wchar_t c : std::set<wchar_t>(text.begin(), text.end())) {
            if (!IsChinese(c))
                continue;
            chinese->insert(c);
            if (DrawAlone(font, c) == box)
                boxed->insert(c);
        }
    }
}

HWND CurrentPage(HWND frame)
{
    for (HWND child = FindWindowExW(frame, nullptr, L"#32770", nullptr); child != nullptr;
         child = FindWindowExW(frame, child, L"#32770", nullptr))
        if (IsWindowVisible(child))
            return child;
    return nullptr;
}

void Report(HWND frame, HWND inspected)
{
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VRIX_PROBE_OUT", path, MAX_PATH))
        return;
    const HWND page = inspected != nullptr ? inspected : CurrentPage(frame);
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

    std::set<wchar_t> chinese, boxed;
    if (page)
        FindBoxedCharacters(page, &chinese, &boxed);

    const HICON big = reinterpret_cast<HICON>(SendMessageW(frame, WM_GETICON, ICON_BIG, 0));
    const HICON small = reinterpret_cast<HICON>(SendMessageW(frame, WM_GETICON, ICON_SMALL, 0));
    FILE* out = _wfopen(path, L"ab");
    if (out == nullptr)
        return;
    fprintf(out, "title_font=%p weight=%ld face_same=%d height_same=%d big_icon=%d small_icon=%d stale_fonts_alive=%d unfit=%s chinese=%u boxes=%u system_icon=%d system_small_icon=%d marker_keys=%ld\n",
            static_cast<void*>(titleFont), static_cast<long>(titleDescription.lfWeight),
            lstrcmpW(titleDescription.lfFaceName, pageDescription.lfFaceName) == 0,
            titleDescription.lfHeight == pageDescription.lfHeight, IconWidth(big), IconWidth(small),
            staleAlive, page ? UnfitControls(page).c_str() : "none", unsigned(chinese.size()),
            unsigned(boxed.size()), GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CXSMICON), g_markerKeys);
    fclose(out);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT probeMessage = RegisterWindowMessageW(L"VRIXProbe");
    if (code == HC_ACTION) {
        const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (message->message == probeMessage)
            Report(message->hwnd, reinterpret_cast<HWND>(message->wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK InputHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_KEYUP && message->wParam == VK_F24)
        ++g_markerKeys;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

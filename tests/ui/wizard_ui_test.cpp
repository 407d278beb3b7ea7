// The real program, started as its own process and used as a user uses it:
// real mouse and keyboard input, state read from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

#include "app_paths.h"
#include "install_texts.h"
#include "message_boxes.h"
#include "page_texts.h"
#include "resource.h"
#include "screen_capture.h"
#include "test_files.h"
#include "test_paths.h"
#include "wine.h"
#include "wizard_driver.h"

namespace {

// The program under test: this tree's own, the 32-bit product or its twin
// (or the same built by clang).
std::wstring Product()
{
    return ProgramFile(TEST_PRODUCT, L"VRIX_TEST_PRODUCT");
}

// A control's id by name, for the failure messages.
std::string ControlName(int id)
{
    static const std::map<int, const char*> names = {
        {IDOK, "IDOK"}, {IDCANCEL, "IDCANCEL"}, {IDC_BACK, "IDC_BACK"}, {IDC_BODY, "IDC_BODY"},
        {IDC_ACCEPT, "IDC_ACCEPT"}, {IDC_DECLINE, "IDC_DECLINE"}, {IDC_STATIC, "IDC_STATIC (subtitle)"},
        {IDC_WELCOME_TITLE, "IDC_WELCOME_TITLE"}, {IDC_LICENSE_TITLE, "IDC_LICENSE_TITLE"},
        {IDC_LICENSE_SUBTITLE, "IDC_LICENSE_SUBTITLE"}};
    const auto found = names.find(id);
    return found == names.end() ? std::to_string(id) : found->second;
}

RECT RectIn(HWND window, HWND relativeTo)
{
    RECT rect = {}, origin = {};
    GetWindowRect(window, &rect);
    GetWindowRect(relativeTo, &origin);
    OffsetRect(&rect, -origin.left, -origin.top);
    return rect;
}

// Pixels that differ between two captures of the same area.
int DifferingPixels(const Capture& one, const Capture& other)
{
    if (one.pixels.size() != other.pixels.size())
        return int(std::max(one.pixels.size(), other.pixels.size()));
    int count = 0;
    for (size_t i = 0; i < one.pixels.size(); ++i)
        count += one.pixels[i] != other.pixels[i];
    return count;
}

double Fraction(const Capture& shot, const RECT& area, COLORREF colour)
{
    int count = 0, total = 0;
    for (int y = std::max<LONG>(0, area.top); y < std::min<LONG>(shot.height, area.bottom); ++y)
        for (int x = std::max<LONG>(0, area.left); x < std::min<LONG>(shot.width, area.right); ++x, ++total)
            count += shot.At(x, y) == colour;
    return total ? double(count) / total : 0.0;
}

class WizardTest : public testing::Test {
protected:
    void SetUp() override
    {
        SKIP_UNLESS_APP_PATHS_WRITABLE();
        temp_ = FreshFolder(L"ui");
        logPath_ = UseFakeAppManager(L"0");
    }
    void TearDown() override
    {
        if (IsSkipped())
            return;
        ReleaseFakeAppManager(logPath_);  // a fake left waiting by a failed test
        RemoveAppManagerEntry();
    }

    void Start(WizardDriver& wizard, const std::wstring& temp)
    {
        ASSERT_TRUE(wizard.Start(Product(), temp)) << "the frame did not come up";
    }
    void Start() { Start(wizard_, temp_); }

    HWND Control(int id) { return wizard_.Control(id); }
    bool OnWelcomePage() { return Control(IDC_WELCOME_TITLE) != nullptr; }
    static bool OnLicensePage(const WizardDriver& wizard) { return wizard.Control(IDC_LICENSE_TITLE) != nullptr; }
    bool OnLicensePage() { return OnLicensePage(wizard_); }
    static bool FinishEnabled(const WizardDriver& wizard)
    {
        return OnLicensePage(wizard) && IsWindowEnabled(wizard.Control(IDOK));
    }
    bool FinishEnabled() { return FinishEnabled(wizard_); }

    void ExpectLicensePageFresh()
    {
        ASSERT_TRUE(WaitUntil([&] { return OnLicensePage(); })) << "not on the license page";
        EXPECT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDC_ACCEPT); }))
            << "the accept button has no focus";
        EXPECT_FALSE(IsChecked(Control(IDC_ACCEPT)));
        EXPECT_FALSE(IsChecked(Control(IDC_DECLINE)));
        EXPECT_FALSE(FinishEnabled());
    }

    static void GoToLicensePage(WizardDriver& wizard)
    {
        wizard.Click(wizard.Control(IDOK));
        ASSERT_TRUE(WaitUntil([&] { return OnLicensePage(wizard); }));
    }
    void GoToLicensePage() { GoToLicensePage(wizard_); }

    static void Accept(WizardDriver& wizard)
    {
        wizard.Click(wizard.Control(IDC_ACCEPT));
        ASSERT_TRUE(WaitUntil([&] { return FinishEnabled(wizard); })) << "accepting did not enable Finish";
    }
    void Accept() { Accept(wizard_); }

    // Accepts and presses Finish; returns the message box that follows.
    HWND AcceptAndFinishToMessageBox()
    {
        GoToLicensePage();
        Accept();
        wizard_.Click(Control(IDOK));
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindMessageBox(wizard_.ProcessId(), MessageCaption)) != nullptr; }, 8000);
        return box;
    }

    void ExpectEndsWithCodeZero(WizardDriver& wizard)
    {
        EXPECT_EQ(0u, wizard.WaitForExit(10000)) << "the program did not end with exit code 0";
    }
    void ExpectEndsWithCodeZero() { ExpectEndsWithCodeZero(wizard_); }

    // The fake notes each start at once, and its end.
    int FakeStarts() { return ::FakeStarts(logPath_); }
    bool FakeFinished() { return ReadFakeLog(logPath_).count("finished") > 0; }

    // The band above the header rule is white across the page; just below it
    // the dialog colour; title and subtitle paint no box on the band, and the
    // controls in `body` none on the dialog background.
    void ExpectPageChrome(const std::wstring& name, std::initializer_list<int> band,
                          std::initializer_list<int> body)
    {
        ASSERT_TRUE(wizard_.ToForeground());
        const HWND page = wizard_.Page();
        const Capture shot = CaptureWindow(page);
        SaveScreenshot(shot, name);
        const COLORREF white = RGB(255, 255, 255);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const RECT rule = RectIn(GetDlgItem(page, IDC_HEADER_RULE), page);
        ASSERT_GT(rule.top, 10);

        std::vector<RECT> texts;
        for (int id : band)
            texts.push_back(RectIn(GetDlgItem(page, id), page));
        int notWhite = 0;
        for (int y = 0; y < rule.top; ++y) {
            for (int x = 0; x < shot.width; ++x) {
                bool inText = false;
                for (const RECT& r : texts)
                    inText = inText || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
                notWhite += !inText && shot.At(x, y) != white;
            }
        }
        EXPECT_EQ(0, notWhite) << "pixels above the header rule that are not white";
        const RECT below = {0, rule.bottom + 2, shot.width, rule.bottom + 4};
        EXPECT_EQ(1.0, Fraction(shot, below, face)) << "just below the rule is not the dialog colour";
        for (const RECT& r : texts)
            EXPECT_LT(Fraction(shot, r, face), 0.05) << "a title or subtitle paints a box on the band";
        for (int id : body)
            EXPECT_LT(Fraction(shot, RectIn(GetDlgItem(page, id), page), white), 0.10)
                << ControlName(id) << " paints a box on the dialog background";
    }

    // Each control repainted alone, eight times, shows the pixels it showed
    // before: a text drawn over itself would darken at every pass.
    void ExpectRepaintedAloneUnchanged(std::initializer_list<int> ids)
    {
        ASSERT_TRUE(wizard_.ToForeground());
        for (int id : ids) {
            const HWND control = Control(id);
            const Capture before = CaptureWindow(control);
            for (int i = 0; i < 8; ++i) {
                RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE);
                RECT dirty;
                ASSERT_TRUE(WaitUntil([&] { return !GetUpdateRect(control, &dirty, FALSE); }));
            }
            EXPECT_EQ(0, DifferingPixels(before, CaptureWindow(control)))
                << ControlName(id) << " changed when repainted alone";
        }
    }

    WizardDriver wizard_;
    std::wstring temp_;
    std::wstring logPath_;
};

TEST_F(WizardTest, WelcomePageShowsItsTextsWithTheFocusOnNext)
{
    Start();
    const HWND frame = wizard_.Frame();
    EXPECT_EQ(L"VRIX Mobile Security", WindowText(frame));
    const LONG style = GetWindowLongW(frame, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU) << "no close box";
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // Centred in the work area: the screen less the taskbar, if any.
    RECT rect, work;
    GetWindowRect(frame, &rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (rect.left + rect.right) / 2, 2) << "not centred";
    EXPECT_NEAR((work.top + work.bottom) / 2, (rect.top + rect.bottom) / 2, 2) << "not centred";

    ASSERT_TRUE(OnWelcomePage());
    EXPECT_EQ(WelcomeText, WindowText(Control(IDC_BODY)));
    EXPECT_EQ(WelcomeTitle, WindowText(Control(IDC_WELCOME_TITLE)));
    EXPECT_EQ(WelcomeSubtitle, WindowText(Control(IDC_STATIC)));
    EXPECT_EQ(BackCaption, WindowText(Control(IDC_BACK)));
    EXPECT_EQ(NextCaption, WindowText(Control(IDOK)));
    EXPECT_EQ(CancelCaption, WindowText(Control(IDCANCEL)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_BACK)));
    EXPECT_EQ(Control(IDOK), wizard_.Focus());

    ASSERT_TRUE(wizard_.ToForeground());
    SaveScreenshotShowingTexts(CaptureWindow(frame), frame, L"welcome-page");
    ExpectPageChrome(L"welcome-page-client", {IDC_WELCOME_TITLE, IDC_STATIC}, {IDC_BODY});
    ExpectRepaintedAloneUnchanged({IDC_WELCOME_TITLE, IDC_STATIC, IDC_BODY});
}

TEST_F(WizardTest, LicensePageShowsTheAgreementWithNothingChosen)
{
    Start();
    wizard_.Key(VK_RETURN);  // Next has the focus
    ExpectLicensePageFresh();
    EXPECT_EQ(LicenseTitle, WindowText(Control(IDC_LICENSE_TITLE)));
    EXPECT_EQ(LicenseSubtitle, WindowText(Control(IDC_LICENSE_SUBTITLE)));
    EXPECT_EQ(AcceptCaption, WindowText(Control(IDC_ACCEPT)));
    EXPECT_EQ(DeclineCaption, WindowText(Control(IDC_DECLINE)));
    EXPECT_EQ(FinishCaption, WindowText(Control(IDOK)));
    EXPECT_EQ(BackCaption, WindowText(Control(IDC_BACK)));
    EXPECT_EQ(CancelCaption, WindowText(Control(IDCANCEL)));
    EXPECT_EQ(LicenseText, WindowText(Control(IDC_BODY)));
    EXPECT_TRUE(GetWindowLongW(Control(IDC_BODY), GWL_STYLE) & ES_READONLY);

    ASSERT_TRUE(wizard_.ToForeground());
    SaveScreenshotShowingTexts(CaptureWindow(wizard_.Frame()), wizard_.Frame(), L"license-page");
    ExpectPageChrome(L"license-page-client", {IDC_LICENSE_TITLE, IDC_LICENSE_SUBTITLE},
                     {IDC_ACCEPT, IDC_DECLINE});
    // The agreement keeps the read-only edit box look: not transparent.
    const HWND page = wizard_.Page();
    const Capture shot = CaptureWindow(page);
    RECT box = RectIn(Control(IDC_BODY), page);
    InflateRect(&box, -4, -4);
    EXPECT_GT(Fraction(shot, box, GetSysColor(COLOR_BTNFACE)) + Fraction(shot, box, RGB(255, 255, 255)), 0.5);
}

// Each change of the choice repaints both radio buttons: their captions
// look after five changes as after the first. Each picture is taken with
// the focus in the agreement, so that it holds no focus rectangle (Wine
// shows focus cues after some focus changes and not after others).
TEST_F(WizardTest, AcceptEnablesFinishAndDeclineDisablesItAgain)
{
    Start();
    GoToLicensePage();
    const auto acceptCaption = [&] {
        wizard_.Click(Control(IDC_BODY));
        EXPECT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDC_BODY); }));
        return wizard_.ToForeground() ? CaptureWindow(Control(IDC_ACCEPT)) : Capture();
    };
    Accept();
    EXPECT_TRUE(IsChecked(Control(IDC_ACCEPT)));
    const Capture first = acceptCaption();
    for (int i = 0; i < 5; ++i) {
        wizard_.Click(Control(IDC_DECLINE));
        EXPECT_TRUE(WaitUntil([&] { return !FinishEnabled(); }));
        EXPECT_TRUE(IsChecked(Control(IDC_DECLINE)));
        EXPECT_FALSE(IsChecked(Control(IDC_ACCEPT)));
        Accept();
    }
    EXPECT_EQ(0, DifferingPixels(first, acceptCaption()))
        << "the accept caption changed with the choice going back and forth";
}

TEST_F(WizardTest, BackThenNextClearsTheChoice)
{
    Start();
    GoToLicensePage();
    Accept();
    wizard_.Click(Control(IDC_BACK));
    ASSERT_TRUE(WaitUntil([&] { return OnWelcomePage(); }));
    EXPECT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDOK); })) << "Next has no focus";
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_BACK)));
    GoToLicensePage();
    ExpectLicensePageFresh();
}

TEST_F(WizardTest, CancelEndsTheProgramFromEitherPage)
{
    Start();
    wizard_.Click(Control(IDCANCEL));
    ExpectEndsWithCodeZero();

    WizardDriver second;
    Start(second, temp_);
    GoToLicensePage(second);
    Accept(second);
    second.Click(second.Control(IDCANCEL));
    ExpectEndsWithCodeZero(second);
    EXPECT_TRUE(FilesIn(temp_).empty());
}

TEST_F(WizardTest, TheCloseBoxEndsTheProgramFromEitherPageWithoutInstalling)
{
    Start();
    ASSERT_TRUE(wizard_.ClickCloseBox());
    ExpectEndsWithCodeZero();

    WizardDriver second;
    Start(second, temp_);
    GoToLicensePage(second);
    Accept(second);
    ASSERT_TRUE(second.ClickCloseBox());
    ExpectEndsWithCodeZero(second);
    EXPECT_TRUE(FilesIn(temp_).empty());
    EXPECT_EQ(0, FakeStarts());
}

TEST_F(WizardTest, EnterAndEscapeActOnTheFocusedButtonOrRadioButton)
{
    Start();
    wizard_.Key(VK_ESCAPE);  // Next has the focus: Escape goes on
    ExpectLicensePageFresh();

    // On a radio button both keys only recompute Finish. Keys are taken in
    // order: once Tab has reached Back, both have been acted on.
    wizard_.Key(VK_ESCAPE);
    wizard_.Key(VK_RETURN);
    wizard_.Key(VK_TAB);  // decline
    wizard_.Key(VK_TAB);  // Back
    ASSERT_TRUE(WaitUntil([&] { return OnLicensePage() && wizard_.Focus() == Control(IDC_BACK); }))
        << "Escape or Enter on a radio button left the license page";
    EXPECT_FALSE(FinishEnabled());
    wizard_.Key(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return OnWelcomePage(); }));

    wizard_.Key(VK_TAB);  // Next -> Cancel
    ASSERT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDCANCEL); }));
    wizard_.Key(VK_RETURN);
    ExpectEndsWithCodeZero();
}

TEST_F(WizardTest, EscapeInTheLicenseTextEndsTheProgram)
{
    Start();
    GoToLicensePage();
    wizard_.Click(Control(IDC_BODY));
    ASSERT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDC_BODY); }));
    wizard_.Key(VK_ESCAPE);
    ExpectEndsWithCodeZero();
    EXPECT_TRUE(FilesIn(temp_).empty());
}

TEST_F(WizardTest, EnterInTheLicenseTextActsAsFinishOnlyWhileFinishIsEnabled)
{
    Start();
    GoToLicensePage();
    wizard_.Click(Control(IDC_BODY));
    ASSERT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDC_BODY); }));
    wizard_.Key(VK_RETURN);
    // Input is taken in order: once the click has enabled Finish, Enter has
    // been acted on, and did nothing (a Finish would have ended the page).
    Accept();
    EXPECT_EQ(0, FakeStarts());
    wizard_.Click(Control(IDC_BODY));
    ASSERT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDC_BODY); }));
    wizard_.Key(VK_RETURN);
    ExpectEndsWithCodeZero();
    EXPECT_EQ(1, FakeStarts());
    EXPECT_TRUE(FakeFinished());
    EXPECT_EQ(2u, FilesIn(temp_).size());
}

TEST_F(WizardTest, TabVisitsTheLicensePageInTemplateOrderSkippingDisabledFinish)
{
    Start();
    GoToLicensePage();
    ExpectLicensePageFresh();
    const auto expectTabTo = [&](int id) {
        wizard_.Key(VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(id); }, 3000))
            << "Tab did not reach " << ControlName(id);
    };
    expectTabTo(IDC_DECLINE);
    expectTabTo(IDC_BACK);
    expectTabTo(IDCANCEL);  // Finish is disabled
    expectTabTo(IDC_BODY);
    DWORD start = 1, end = 2;
    SendMessageW(Control(IDC_BODY), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end) << "tabbing into the agreement left text selected";
    expectTabTo(IDC_ACCEPT);

    // Once accepted, Finish is a stop too. (Checking a radio button also
    // takes the tab stop from its unchecked partner, on Windows as on Wine.)
    Accept();
    wizard_.Click(Control(IDC_ACCEPT));
    expectTabTo(IDC_BACK);
    expectTabTo(IDOK);
    expectTabTo(IDCANCEL);
}

TEST_F(WizardTest, EveryEnabledControlAnswersItsAltAccelerator)
{
    Start();
    wizard_.AltKey('N');
    ExpectLicensePageFresh();
    wizard_.AltKey('A');
    EXPECT_TRUE(WaitUntil([&] { return FinishEnabled() && IsChecked(Control(IDC_ACCEPT)); }));
    wizard_.AltKey('D');
    EXPECT_TRUE(WaitUntil([&] { return !FinishEnabled() && IsChecked(Control(IDC_DECLINE)); }));
    wizard_.AltKey('B');
    ASSERT_TRUE(WaitUntil([&] { return OnWelcomePage(); }));
    wizard_.AltKey('N');
    ExpectLicensePageFresh();
    wizard_.AltKey('A');
    ASSERT_TRUE(WaitUntil([&] { return FinishEnabled(); }));
    wizard_.AltKey('F');
    ExpectEndsWithCodeZero();
    EXPECT_TRUE(FakeFinished());

    WizardDriver second;
    Start(second, temp_);
    second.AltKey('C');
    ExpectEndsWithCodeZero(second);
}

// The fake runs until the test lets it end, and then asks the installer's
// frame for an answer: the program is still there, waiting.
TEST_F(WizardTest, FinishHandsTheCabinetToTheApplicationManagerAndEndsAfterIt)
{
    logPath_ = UseFakeAppManager(nullptr);
    Start();
    GoToLicensePage();
    Accept();
    wizard_.Click(Control(IDOK));
    ASSERT_TRUE(WaitUntil([&] { return FakeStarts() == 1; }));
    ReleaseFakeAppManager(logPath_);
    ExpectEndsWithCodeZero();

    const auto log = ReadFakeLog(logPath_);
    ASSERT_NO_FATAL_FAILURE(ExpectManagerRanWithTheCabinet(log));
    EXPECT_EQ("1", log.at("frame_answered")) << "the program ended before the Application Manager did";
    EXPECT_EQ(temp_, FromUtf8(log.at("ini")).substr(0, temp_.size())) << "the INI file is not in TEMP";
    EXPECT_EQ(2u, FilesIn(temp_).size());
}

// What only the program itself can tell (its GDI objects and icons), read
// by a hook DLL that the test loads into it. Each answer is fresh: the
// report file goes first, and a probe that does not answer fails the test.
std::map<std::string, std::string> Probe(WizardDriver& wizard, const std::wstring& out, HWND inspected = nullptr)
{
    DeleteFileW(out.c_str());
    SendMessageW(wizard.Frame(), RegisterWindowMessageW(L"VRIXProbe"), reinterpret_cast<WPARAM>(inspected), 0);
    std::istringstream fields(ReadBytes(out));
    std::map<std::string, std::string> probe;
    for (std::string field; fields >> field;)
        probe[field.substr(0, field.find('='))] = field.substr(field.find('=') + 1);
    EXPECT_FALSE(probe.empty()) << "the probe did not answer";
    return probe;
}

// A number the probe reported; 0 where it reported none.
int ProbeNumber(const std::map<std::string, std::string>& probe, const char* key)
{
    const auto found = probe.find(key);
    return found == probe.end() ? 0 : std::stoi("0" + found->second);
}

// Names the probe's report file in the environment that a program started
// afterwards inherits.
std::wstring PrepareProbeOutput()
{
    const std::wstring out = FreshFolder(L"probe") + L"probe.txt";
    SetEnvironmentVariableW(L"VRIX_PROBE_OUT", out.c_str());
    return out;
}

// Loads the probe into the running program's window thread as the hook
// `kind` (its report, or with WH_GETMESSAGE its input marker); null on failure.
HHOOK AttachProbe(const WizardDriver& wizard, int kind = WH_CALLWNDPROC)
{
    const HMODULE probeDll = LoadLibraryW((ProgramFolder() + L"vrix_probe.dll").c_str());
    const HOOKPROC hookProc = probeDll == nullptr ? nullptr : reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(probeDll, kind == WH_GETMESSAGE ? "InputHook" : "ProbeHook")));
    return hookProc == nullptr ? nullptr : SetWindowsHookExW(kind, hookProc, probeDll, wizard.ThreadId());
}

TEST_F(WizardTest, TitlesAreSemiBoldOnEveryVisitAndEachPageDeletesItsOwnFont)
{
    const std::wstring out = PrepareProbeOutput();
    Start();
    const HHOOK hook = AttachProbe(wizard_);
    ASSERT_NE(nullptr, hook);

    auto welcome = Probe(wizard_, out);
    EXPECT_EQ("600", welcome["weight"]);
    EXPECT_EQ("1", welcome["face_same"]) << "the title font is not a copy of the dialog font";
    EXPECT_EQ("1", welcome["height_same"]);

    GoToLicensePage();
    auto license = Probe(wizard_, out);
    EXPECT_EQ("600", license["weight"]);
    EXPECT_NE(welcome["title_font"], license["title_font"]) << "one font shared by two page instances";
    EXPECT_EQ("0", license["stale_fonts_alive"]) << "the welcome page's font outlived it";

    wizard_.Click(Control(IDC_BACK));
    ASSERT_TRUE(WaitUntil([&] { return OnWelcomePage(); }));
    auto again = Probe(wizard_, out);
    EXPECT_EQ("600", again["weight"]);
    EXPECT_EQ("0", again["stale_fonts_alive"]) << "a page's font outlived it";
    UnhookWindowsHookEx(hook);
}

// While it waits for the Application Manager (here until the test lets the
// fake end, more than the 5 s after which Windows would call a window that
// reads no messages hung) the wizard answers the messages other programs
// send it (the test sends one late in the wait, the fake another as it ends)
// and repaints, but acts on nothing, then or after the wait: not on input (Back,
// Escape, an accelerator, the close box), nor on the messages by which
// other programs click buttons (BM_CLICK sent to Finish, Back and decline,
// WM_COMMAND posted for Finish and Cancel). Its buttons show it disabled,
// and the choice stays accept. The input is judged once the
// program has taken a marker key sent after it (the probe counts it), the
// posted messages once it has taken a marker key posted after them.
TEST_F(WizardTest, WhileWaitingItRepaintsAndAnswersButActsOnNothing)
{
    logPath_ = UseFakeAppManager(nullptr);
    const std::wstring out = PrepareProbeOutput();
    Start();
    const HHOOK probe = AttachProbe(wizard_), marker = AttachProbe(wizard_, WH_GETMESSAGE);
    ASSERT_NE(nullptr, probe);
    ASSERT_NE(nullptr, marker);
    GoToLicensePage();
    Accept();
    const HWND page = wizard_.Page();
    const HWND back = Control(IDC_BACK), finish = Control(IDOK), cancel = Control(IDCANCEL);
    const HWND accept = Control(IDC_ACCEPT), decline = Control(IDC_DECLINE);
    wizard_.Click(finish);
    ASSERT_TRUE(WaitUntil([&] { return FakeStarts() == 1; }));
    const ULONGLONG waitStarted = GetTickCount64();
    // The fake may start before the wizard's wait has begun.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(cancel); })) << "Cancel still usable during the wait";
    const auto expectHeld = [&](const char* when) {
        EXPECT_TRUE(IsChecked(accept) && !IsChecked(decline)) << "the choice changed " << when;
        for (HWND control : {back, finish, cancel})
            EXPECT_FALSE(IsWindowEnabled(control)) << ControlName(GetDlgCtrlID(control)) << " usable " << when;
    };
    expectHeld("once the wait began");
    wizard_.Click(back);
    wizard_.Key(VK_ESCAPE);
    wizard_.AltKey('B');
    ASSERT_TRUE(wizard_.ClickCloseBox());
    wizard_.Key(VK_F24);
    EXPECT_TRUE(WaitUntil([&] { return ProbeNumber(Probe(wizard_, out), "marker_keys") == 1; }))
        << "the program did not take the input sent while it waited";
    EXPECT_EQ(page, wizard_.Page()) << "the wizard acted on input while it waited";
    for (HWND button : {finish, back, decline}) {
        DWORD_PTR result = 0;
        EXPECT_NE(0, SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result))
            << "a click sent to " << ControlName(GetDlgCtrlID(button)) << " was not answered: it started something";
    }
    expectHeld("after the clicks sent");
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(finish));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
    // Posted messages are taken in order: once the marker posted after
    // them is taken, both commands have been dispatched.
    PostMessageW(page, WM_KEYUP, VK_F24, 0xC0000001);
    EXPECT_TRUE(WaitUntil([&] { return ProbeNumber(Probe(wizard_, out), "marker_keys") == 2; }))
        << "the posted messages were not taken";

    const ULONGLONG elapsed = GetTickCount64() - waitStarted;
    Sleep(elapsed < 5000 ? DWORD(5000 - elapsed) : 0);
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    RECT dirty;
    EXPECT_TRUE(WaitUntil([&] { return !GetUpdateRect(page, &dirty, FALSE); }))
        << "the page was not repainted while it waited";
    DWORD_PTR result = 0;
    EXPECT_NE(0, SendMessageTimeoutW(wizard_.Frame(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result))
        << "a message sent to the frame went unanswered while it waited";
    EXPECT_TRUE(OnLicensePage()) << "the wizard acted while it waited";
    EXPECT_EQ(page, wizard_.Page()) << "the wizard acted while it waited";
    UnhookWindowsHookEx(marker);
    UnhookWindowsHookEx(probe);
    ReleaseFakeAppManager(logPath_);
    ExpectEndsWithCodeZero();

    const auto log = ReadFakeLog(logPath_);
    ASSERT_NO_FATAL_FAILURE(ExpectManagerRanWithTheCabinet(log));
    EXPECT_EQ(1, FakeStarts()) << "the Application Manager was started again during the wait";
    EXPECT_EQ("1", log.at("frame_answered")) << "the frame did not answer the manager as it ended";
    EXPECT_EQ(2u, FilesIn(temp_).size());
}

// Sets values under a key of HKEY_CURRENT_USER for the programs started
// afterwards (Wine reads colours and DPI when a program starts). The key is
// kept first (kept_keys.h) and goes back as it was when this goes.
class UserSettings {
public:
    explicit UserSettings(const wchar_t* key) : path_(key) { KeepKey(HKEY_CURRENT_USER, path_, false); }
    ~UserSettings() { EXPECT_TRUE(PutKeyBack(HKEY_CURRENT_USER, path_)) << "cannot put back " << Utf8(path_); }
    void Set(const wchar_t* name, const std::wstring& text)
    {
        Write(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
    void Set(const wchar_t* name, DWORD number) { Write(name, REG_DWORD, &number, sizeof(number)); }

private:
    void Write(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        const LONG status = RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name, type, data, size);
        EXPECT_EQ(ERROR_SUCCESS, status) << "cannot set " << Utf8(path_) << "\\" << Utf8(name);
    }
    std::wstring path_;
};

// In a black high-contrast scheme (window and dialog colours black, their
// texts white) every text of both pages stays readable: the header band is
// the window colour, and each text shows plenty of pixels far brighter than
// the black behind it.
TEST_F(WizardTest, TextsStayReadableInABlackHighContrastScheme)
{
    SKIP_UNLESS_UNDER_WINE("it sets the colour scheme in the registry for the next program started; "
                           "Windows would change the user's own desktop");
    UserSettings colours(L"Control Panel\\Colors");
    colours.Set(L"Window", L"0 0 0");
    colours.Set(L"ButtonFace", L"0 0 0");
    colours.Set(L"WindowText", L"255 255 255");
    colours.Set(L"ButtonText", L"255 255 255");
    const auto expectReadable = [&](const wchar_t* screenshot, std::initializer_list<int> ids) {
        ASSERT_TRUE(wizard_.ToForeground());
        const HWND page = wizard_.Page();
        const Capture shot = CaptureWindow(page);
        SaveScreenshotShowingTexts(shot, page, screenshot);
        for (int id : ids) {
            RECT text = RectIn(GetDlgItem(page, id), page);
            // Only the caption of a radio button, not its round mark.
            if (ClassNameOf(GetDlgItem(page, id)) == L"Button")
                text.left += GetSystemMetrics(SM_CXMENUCHECK) + 4;
            int bright = 0;
            for (int y = text.top; y < text.bottom; ++y)
                for (int x = text.left; x < text.right; ++x)
                    bright += std::max({GetRValue(shot.At(x, y)), GetGValue(shot.At(x, y)),
                                        GetBValue(shot.At(x, y))}) >= 160;
            EXPECT_GT(Fraction(shot, text, RGB(0, 0, 0)), 0.5) << ControlName(id) << " is not on black";
            EXPECT_GE(bright, 40) << ControlName(id) << " shows too little text that can be read";
        }
    };
    Start();
    expectReadable(L"welcome-page-high-contrast", {IDC_WELCOME_TITLE, IDC_STATIC, IDC_BODY});
    GoToLicensePage();
    wizard_.Click(Control(IDC_BODY));  // no focus rectangle around a radio button's caption
    ASSERT_TRUE(WaitUntil([&] { return wizard_.Focus() == Control(IDC_BODY); }));
    expectReadable(L"license-page-high-contrast",
                   {IDC_LICENSE_TITLE, IDC_LICENSE_SUBTITLE, IDC_ACCEPT, IDC_DECLINE});
}

// At 96 DPI and at 144 DPI (150 %) the frame's icons have the system's icon
// sizes, and every caption and text of both pages fits inside its control
// and draws each of its Chinese characters as a glyph, not as the
// missing-glyph box, as the program itself measures it. The prefix has the
// fonts of a Western Windows and no font link of its own, so this is what a
// user sees whose system locale is not Chinese. Wine takes the DPI from the registry
// when a program starts (and treats every program as DPI aware); on Windows,
// where a new DPI needs the user to sign in again, the test checks the DPI
// of the running session.
TEST_F(WizardTest, IconsTakeTheSystemSizesAndTextsFitAt96And144Dpi)
{
    struct Setting {
        DWORD dpi;  // 0: the session's own, left as it is
        const wchar_t* suffix;
    };
    std::vector<Setting> settings = {{96, L""}, {144, L"-144dpi"}};
    if (!RunsUnderWine())
        settings = {{0, L""}};
    int iconAt96 = 0;
    for (const Setting& setting : settings) {
        SCOPED_TRACE(testing::Message() << setting.dpi << " DPI");
        UserSettings desktop(L"Control Panel\\Desktop");
        if (setting.dpi != 0)
            desktop.Set(L"LogPixels", setting.dpi);
        const std::wstring out = PrepareProbeOutput();
        WizardDriver wizard;
        Start(wizard, temp_);
        const HHOOK hook = AttachProbe(wizard);
        ASSERT_NE(nullptr, hook);
        auto welcome = Probe(wizard, out);
        // The icon sizes of the system as the program sees it.
        EXPECT_EQ(welcome["system_icon"], welcome["big_icon"]);
        EXPECT_EQ(welcome["system_small_icon"], welcome["small_icon"]);
        if (setting.dpi == 96)
            iconAt96 = ProbeNumber(welcome, "big_icon");
        if (setting.dpi == 144) {
            EXPECT_LT(iconAt96, ProbeNumber(welcome, "big_icon")) << "144 DPI did not take effect";
        }
        EXPECT_EQ("none", welcome["unfit"]) << "texts that do not fit on the welcome page";
        EXPECT_LT(0, ProbeNumber(welcome, "chinese")) << "no Chinese text on the welcome page";
        EXPECT_EQ("0", welcome["boxes"]) << "Chinese characters drawn as boxes on the welcome page";
        if (*setting.suffix && wizard.ToForeground())
            SaveScreenshotShowingTexts(CaptureWindow(wizard.Frame()), wizard.Frame(),
                                       std::wstring(L"welcome-page") + setting.suffix);
        GoToLicensePage(wizard);
        auto license = Probe(wizard, out);
        EXPECT_EQ("none", license["unfit"]) << "texts that do not fit on the license page";
        EXPECT_LT(0, ProbeNumber(license, "chinese")) << "no Chinese text on the license page";
        EXPECT_EQ("0", license["boxes"]) << "Chinese characters drawn as boxes on the license page";
        if (*setting.suffix && wizard.ToForeground())
            SaveScreenshotShowingTexts(CaptureWindow(wizard.Frame()), wizard.Frame(),
                                       std::wstring(L"license-page") + setting.suffix);
        UnhookWindowsHookEx(hook);
        wizard.Click(wizard.Control(IDCANCEL));
        ExpectEndsWithCodeZero(wizard);
    }
}

// Run from a folder where somebody left DLLs named like system ones, the
// program loads none of them and installs. The names: those Windows XP, Vista
// and 7 load by name for this program (LPK, USP10, UXTHEME, DWMAPI), the three
// it delay-loads, and those Wine's own user32 and advapi32 import. Under Wine
// a per-program override makes Wine prefer a DLL in the program's folder, as
// Windows does for any DLL that is not a Known DLL. Not planted: kernel32 and
// msvcrt (imported when the program starts; Known DLLs on Windows), and
// ole32 and msimg32, which Wine's window system loads by name past any
// program's control (ole32 is a Known DLL on Windows; the program never uses
// msimg32).
TEST_F(WizardTest, NoDllLeftBesideTheProgramIsLoaded)
{
    static const wchar_t* const planted[] = {
        L"lpk", L"usp10", L"uxtheme", L"dwmapi", L"user32", L"gdi32", L"advapi32",
        L"sechost", L"version", L"zlib1", L"win32u", L"ucrtbase", L"imm32",
    };
    const std::wstring folder = FreshFolder(L"downloads");
    const std::wstring copy = folder + L"VRIXSetup.exe";
    ASSERT_TRUE(CopyFileW(Product().c_str(), copy.c_str(), FALSE));
    UserSettings overrides(L"Software\\Wine\\AppDefaults\\VRIXSetup.exe\\DllOverrides");
    for (const wchar_t* name : planted) {
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"vrix_planted.dll").c_str(),
                              (folder + name + L".dll").c_str(), FALSE));
        if (RunsUnderWine())
            overrides.Set(name, L"native,builtin");
    }
    ASSERT_TRUE(wizard_.Start(copy, temp_)) << "the program did not start beside the planted DLLs";
    GoToLicensePage();
    Accept();
    wizard_.Click(Control(IDOK));
    ExpectEndsWithCodeZero();
    EXPECT_TRUE(FakeFinished()) << "the installation did not reach the Application Manager";
    std::wstring loaded;
    for (const std::wstring& file : FilesIn(folder))
        if (file.size() > 7 && file.substr(file.size() - 7) == L".loaded")
            loaded += file.substr(0, file.size() - 7) + L" ";
    EXPECT_EQ("", Utf8(loaded)) << "planted DLLs that the program loaded";
}

// Both failures end to end: the message, then the end, with nothing installed.
struct FailureCase {
    const char* name;
    bool activeSyncMissing;  // else the temporary folder does not exist
    const wchar_t* message;
    const wchar_t* screenshot;
    // Names the case in test lists and failure messages, not its bytes.
    friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
};

class WizardFailure : public WizardTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(WizardFailure, TheUserIsToldAndTheProgramEnds)
{
    if (GetParam().activeSyncMissing)
        RemoveAppManagerEntry();
    const std::wstring out = PrepareProbeOutput();
    Start(wizard_, GetParam().activeSyncMissing ? temp_ : temp_ + L"no-such-folder\\");
    const HHOOK hook = AttachProbe(wizard_);
    ASSERT_NE(nullptr, hook);
    const HWND box = AcceptAndFinishToMessageBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(GetParam().message, WindowText(GetDlgItem(box, 0xFFFF)));
    // In the system's message font, which Windows links to SimSun by file.
    auto glyphs = Probe(wizard_, out, box);
    EXPECT_LT(0, ProbeNumber(glyphs, "chinese")) << "no Chinese text in the message box";
    EXPECT_EQ("0", glyphs["boxes"]) << "Chinese characters drawn as boxes in the message box";
    UnhookWindowsHookEx(hook);
    SaveScreenshotShowingTexts(CaptureWindow(box), box, GetParam().screenshot);
    wizard_.Click(GetDlgItem(box, IDOK));
    ExpectEndsWithCodeZero();
    EXPECT_TRUE(FilesIn(temp_).empty());
    EXPECT_EQ(0, FakeStarts());
}

std::string FailureName(const testing::TestParamInfo<FailureCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, WizardFailure,
    testing::Values(FailureCase{"ActiveSyncMissing", true, NoAppManagerMessage, L"message-no-activesync"},
                    FailureCase{"CabinetCannotBeWritten", false, PrepareFailedMessage,
                                L"message-prepare-failed"}),
    FailureName);

// While a message box of the installation is open the wizard stays live.
// Whatever the user does then, the program ends cleanly once the box goes.
enum class WhileBoxOpen { FinishAgain, Back, Cancel, CloseBox };

class WizardWithMessageBox : public WizardTest, public testing::WithParamInterface<WhileBoxOpen> {};

TEST_P(WizardWithMessageBox, EndsCleanlyWhateverTheUserDoes)
{
    RemoveAppManagerEntry();
    Start();
    const HWND box = AcceptAndFinishToMessageBox();
    ASSERT_NE(nullptr, box);
    ASSERT_TRUE(OnLicensePage());

    switch (GetParam()) {
    case WhileBoxOpen::FinishAgain: {
        // A second installation runs inside the first and shows its own box.
        wizard_.Click(Control(IDOK));
        HWND second = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            second = FindMessageBox(wizard_.ProcessId(), MessageCaption);
            return second != nullptr && second != box;
        }));
        wizard_.Click(GetDlgItem(second, IDOK));
        break;
    }
    case WhileBoxOpen::Back:
        wizard_.Click(Control(IDC_BACK));
        ASSERT_TRUE(WaitUntil([&] { return OnWelcomePage(); })) << "the page did not react";
        break;
    case WhileBoxOpen::Cancel:
        wizard_.Click(Control(IDCANCEL));
        break;
    case WhileBoxOpen::CloseBox:
        ASSERT_TRUE(wizard_.ClickCloseBox());
        break;
    }
    // Dismiss whatever box is still open, as the user would, until the program ends.
    const auto endedOrBoxOpen = [&] {
        return !wizard_.Running() || FindMessageBox(wizard_.ProcessId(), MessageCaption) != nullptr;
    };
    for (int i = 0; i < 4 && WaitUntil(endedOrBoxOpen, 1500) && wizard_.Running(); ++i) {
        SeenMessageBox seen;
        DismissMessageBox(wizard_.ProcessId(), MessageCaption, 0, &seen);
    }
    ExpectEndsWithCodeZero();
    EXPECT_TRUE(FilesIn(temp_).empty());
}

const char* const ActionNames[] = {"FinishAgain", "Back", "Cancel", "CloseBox"};
void PrintTo(WhileBoxOpen action, std::ostream* out)
{
    *out << ActionNames[int(action)];
}
std::string ActionName(const testing::TestParamInfo<WhileBoxOpen>& info)
{
    return ActionNames[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(UserActs, WizardWithMessageBox,
                         testing::Values(WhileBoxOpen::FinishAgain, WhileBoxOpen::Back,
                                         WhileBoxOpen::Cancel, WhileBoxOpen::CloseBox),
                         ActionName);

}  // namespace

namespace {

// An extended dialog template whose window class nobody registered.
std::string UncreatableDialogTemplate()
{
    std::string bytes;
    const auto put16 = [&](unsigned value) { bytes.append(reinterpret_cast<const char*>(&value), 2); };
    const auto put32 = [&](unsigned value) { bytes.append(reinterpret_cast<const char*>(&value), 4); };
    put16(1);       // version
    put16(0xFFFF);  // extended
    put32(0);       // help id
    put32(0);       // extended style
    put32(WS_POPUP | WS_CAPTION);
    put16(0);       // no controls
    for (int i = 0; i < 4; ++i)
        put16(i < 2 ? 0 : 100);
    put16(0);  // no menu
    for (wchar_t c : std::wstring(L"NoSuchWindowClass"))
        put16(c);
    put16(0);
    put16(0);  // no title
    return bytes;
}

// A copy of the program whose frame cannot be created must end at once with
// a non-zero exit code.
TEST(WizardWithoutFrame, EndsWithExitCodeOneInsteadOfWaiting)
{
    const std::wstring copy = FreshFolder(L"no-frame") + L"VRIXSetup.exe";
    ASSERT_TRUE(CopyFileW(Product().c_str(), copy.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_NE(nullptr, update);
    std::string broken = UncreatableDialogTemplate();
    ASSERT_TRUE(UpdateResourceW(update, RT_DIALOG, MAKEINTRESOURCEW(IDD_FRAME),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &broken[0],
                                DWORD(broken.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    EXPECT_EQ(1u, ExitCodeOf(L"\"" + copy + L"\"", 10000)) << "STILL_ACTIVE (259): it waits without a frame";
}

// Where user32 cannot be loaded or started (no desktop to attach to, the
// desktop heap used up) the program ends with exit code 1, not with the
// delay-load helper's exception (0xC06D007E).
TEST(WizardWithoutUser32, EndsWithExitCodeOne)
{
    SKIP_UNLESS_UNDER_WINE("a system DLL is kept from one program by Wine's per-program DLL overrides");
    const std::wstring copy = FreshFolder(L"no-user32") + L"VRIXSetup.exe";
    ASSERT_TRUE(CopyFileW(Product().c_str(), copy.c_str(), FALSE));
    UserSettings overrides(L"Software\\Wine\\AppDefaults\\VRIXSetup.exe\\DllOverrides");
    overrides.Set(L"user32", L"");
    EXPECT_EQ(1u, ExitCodeOf(L"\"" + copy + L"\"", 10000)) << "3228369022 is 0xC06D007E, the delay-load helper's exception";
}

}  // namespace

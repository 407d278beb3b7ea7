// RunInstall from end to end: registry lookup, the two files, the command
// line and the wait, with the fake Application Manager standing in for
// ActiveSync's, and every message box pressed away as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <wchar.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app_paths.h"
#include "elevation_seam.h"
#include "install.h"
#include "install_texts.h"
#include "message_boxes.h"
#include "process_windows.h"
#include "test_files.h"
#include "test_paths.h"
#include "wine.h"

namespace {

class RunInstallTest : public testing::Test {
protected:
    void SetUp() override
    {
        SKIP_UNLESS_APP_PATHS_WRITABLE();
        folder_ = FreshFolder(L"run");
        SetTempFolder(folder_);
        logPath_ = UseFakeAppManager(L"700");
    }
    void TearDown() override
    {
        g_elevationSeam = ElevationSeam();
        if (!IsSkipped())
            RemoveAppManagerEntry();
    }

    // Runs RunInstall with a watcher pressing OK on its boxes; returns them.
    std::vector<SeenMessageBox> RunWithWatcher()
    {
        MessageBoxWatcher watcher(MessageCaption);
        RunInstall();
        return watcher.StopAndCollect();
    }

    // RunWithWatcher with the fake held until it has started and RunInstall
    // says it waits for it; then another thread lets it end. Whether
    // RunInstall was seen waiting.
    bool RunHoldingTheManager(std::vector<SeenMessageBox>* seen)
    {
        logPath_ = UseFakeAppManager(nullptr);
        std::atomic<bool> sawWaiting{false};
        std::thread releaser([&] {
            const ULONGLONG deadline = GetTickCount64() + ScaledMs(30000);
            while (!sawWaiting && GetTickCount64() < deadline) {
                sawWaiting = FakeStarts(logPath_) == 1 && IsWaitingForAppManager();
                Sleep(20);
            }
            ReleaseFakeAppManager(logPath_);
        });
        *seen = RunWithWatcher();
        releaser.join();
        return sawWaiting;
    }

    void ExpectOneMessage(const std::vector<SeenMessageBox>& seen, const wchar_t* text)
    {
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(text, seen[0].text);
        EXPECT_EQ(MessageCaption, seen[0].caption);
        EXPECT_TRUE(seen[0].hasOnlyOkButton);
        EXPECT_FALSE(seen[0].hasOwner);
    }

    std::wstring folder_;
    std::wstring logPath_;
};

// The fake runs until released: another thread releases it once it has
// started and RunInstall says it waits for it; the fake's log then ends only
// when it has ended.
TEST_F(RunInstallTest, WritesCabinetAndIniStartsTheManagerAndWaitsForIt)
{
    std::vector<SeenMessageBox> seen;
    EXPECT_TRUE(RunHoldingTheManager(&seen)) << "RunInstall did not wait for the Application Manager";
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(IsWaitingForAppManager()) << "still waiting after RunInstall returned";

    const auto log = ReadFakeLog(logPath_);
    ASSERT_NO_FATAL_FAILURE(ExpectManagerRanWithTheCabinet(log));
    const auto files = FilesIn(folder_);
    ASSERT_EQ(2u, files.size());
    const std::wstring iniPath = FromUtf8(log.at("ini"));
    ASSERT_EQ(folder_, iniPath.substr(0, folder_.size())) << "the INI file is not in TEMP";
    const std::wstring iniName = iniPath.substr(folder_.size());
    // What the manager itself understood from the INI file (the writers' bytes
    // are checked in install_files_test.cpp).
    EXPECT_EQ("1.0", log.at("version"));
    EXPECT_EQ("VRIX Mobile Security", log.at("component"));
    EXPECT_EQ("VRIX Mobile Security", log.at("description"));
    EXPECT_EQ(Utf8(files[0] == iniName ? files[1] : files[0]), log.at("cabfiles"));
}

TEST_F(RunInstallTest, TwoRunsLeaveFourDistinctFiles)
{
    SetEnvironmentVariableW(L"VRIX_FAKE_DELAY_MS", L"0");
    EXPECT_TRUE(RunWithWatcher().empty());
    EXPECT_TRUE(RunWithWatcher().empty());
    EXPECT_EQ(4u, FilesIn(folder_).size());
}

// The manager starts in the folder it was registered in, not in the
// installer's current folder (usually a downloads folder, where it would
// look for DLLs); a registered name without a folder leaves it the
// installer's (CreateProcessW finds the fake beside this test program).
TEST_F(RunInstallTest, TheManagerStartsInItsOwnFolder)
{
    SetEnvironmentVariableW(L"VRIX_FAKE_DELAY_MS", L"0");
    const std::wstring downloads = FreshFolder(L"downloads");
    ASSERT_TRUE(SetCurrentDirectoryW(downloads.c_str()));
    const auto currentFolderOfTheManager = [&] {
        const std::string cwd = ReadFakeLog(logPath_)["cwd"];
        return cwd.empty() || cwd.back() == '\\' ? cwd : cwd + "\\";
    };
    EXPECT_TRUE(RunWithWatcher().empty());
    EXPECT_EQ(Utf8(ProgramFolder()), currentFolderOfTheManager());

    RegisterAppManager(L"fake_appmgr.exe");
    EXPECT_TRUE(RunWithWatcher().empty());
    EXPECT_EQ(2, FakeStarts(logPath_));
    EXPECT_EQ(Utf8(downloads), currentFolderOfTheManager());
}

// A manager whose manifest asks for administrator rights: CreateProcessW
// refuses it (here the seam does, elevation_seam.cpp), and the same program
// goes to the Shell, which asks the user's consent in front of the wizard's
// frame: with the same INI file, quoted, in its own folder, and waited for.
// Declined, it ends as after a manager that ran; any other failure of the
// Shell says ActiveSync is missing, as a failed start does.
TEST_F(RunInstallTest, AManagerThatNeedsAdministratorRightsIsStartedThroughTheShell)
{
    const HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, frame);
    g_elevationSeam.refuseStart = true;
    std::vector<SeenMessageBox> seen;
    EXPECT_TRUE(RunHoldingTheManager(&seen)) << "RunInstall did not wait for the Application Manager";
    EXPECT_TRUE(seen.empty());
    const auto log = ReadFakeLog(logPath_);
    ASSERT_NO_FATAL_FAILURE(ExpectManagerRanWithTheCabinet(log));
    const ElevationSeam& seam = g_elevationSeam;
    EXPECT_EQ(1, seam.refusedStarts);
    EXPECT_EQ(1, seam.shellStarts);
    EXPECT_EQ(ULONG(SEE_MASK_NOCLOSEPROCESS), seam.shellMask & SEE_MASK_NOCLOSEPROCESS);
    EXPECT_EQ(frame, seam.shellOwner) << "the prompt is not owned by the frame";
    EXPECT_TRUE(seam.waitingWhileShellAsks) << "the pages may act while the Shell asks the user";
    EXPECT_EQ(Utf8(FakeAppManagerPath()), Utf8(seam.shellFile));
    EXPECT_EQ("\"" + log.at("ini") + "\"", Utf8(seam.shellParameters));
    EXPECT_EQ(Utf8(ProgramFolder()), Utf8(seam.shellFolder));
    DestroyWindow(frame);

    for (DWORD error : {DWORD(ERROR_CANCELLED), DWORD(ERROR_ACCESS_DENIED)}) {
        SCOPED_TRACE(testing::Message() << "the Shell fails with " << error);
        g_elevationSeam.shellError = error;
        seen = RunWithWatcher();
        if (error == ERROR_CANCELLED)
            EXPECT_TRUE(seen.empty());
        else
            ExpectOneMessage(seen, NoAppManagerMessage);
    }
    EXPECT_EQ(1, FakeStarts(logPath_));
    EXPECT_EQ(6u, FilesIn(folder_).size()) << "each run's two files stay";
}

struct UnregisteredCase {
    const char* name;
    void (*arrange)();
    // Names the case in test lists and failure messages, not its bytes.
    friend void PrintTo(const UnregisteredCase& c, std::ostream* out) { *out << c.name; }
};

class RunInstallUnregistered : public RunInstallTest,
                               public testing::WithParamInterface<UnregisteredCase> {};

TEST_P(RunInstallUnregistered, SaysActiveSyncIsMissingAndWritesNothing)
{
    GetParam().arrange();
    ExpectOneMessage(RunWithWatcher(), NoAppManagerMessage);
    EXPECT_TRUE(FilesIn(folder_).empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(logPath_.c_str()));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RunInstallUnregistered,
    testing::Values(
        UnregisteredCase{"NoKey", [] { RemoveAppManagerEntry(); }},
        UnregisteredCase{"NoDefaultValue", [] { RegisterAppManagerKeyOnly(); }},
        UnregisteredCase{"LongerThan260",
                         [] { RegisterAppManager(L"C:\\" + std::wstring(258, L'a') + L".exe"); }},
        // 261 characters and no terminator: exactly fills the buffer.
        UnregisteredCase{"FillsBufferUnterminated",
                         [] { RegisterAppManagerRaw(std::vector<wchar_t>(261, L'a')); }}),
    [](const testing::TestParamInfo<UnregisteredCase>& info) { return info.param.name; });

// A REG_EXPAND_SZ value is expanded before use, as the Shell expands it; a
// REG_SZ value is used as stored, percent signs and all. Expanded, the path
// must still fit its 261-character buffer, or ActiveSync counts as missing.
enum class Outcome { ManagerRuns, ManagerCannotStart, NotRegistered };

// Registers "%VRIX_APPMGR%" with the variable standing for `path`.
void RegisterThroughVariable(const std::wstring& path, DWORD type, RegistryView view = OwnView)
{
    SetEnvironmentVariableW(L"VRIX_APPMGR", path.c_str());
    RegisterAppManager(L"%VRIX_APPMGR%", view, type);
}

// A program of `length` characters in a folder that does not exist, as
// after ActiveSync was removed.
std::wstring MissingProgramPath(size_t length)
{
    return L"C:\\vrix-gone\\" + std::wstring(length - 17, L'x') + L".exe";
}

struct ValueTypeCase {
    const char* name;
    DWORD type;
    std::wstring (*path)();
    Outcome outcome;
    // Names the case in test lists and failure messages, not its bytes.
    friend void PrintTo(const ValueTypeCase& c, std::ostream* out) { *out << c.name; }
};

class RunInstallValueTypes : public RunInstallTest, public testing::WithParamInterface<ValueTypeCase> {};

TEST_P(RunInstallValueTypes, OnlyAnExpandableValueIsExpanded)
{
    RegisterThroughVariable(GetParam().path(), GetParam().type);
    const auto seen = RunWithWatcher();
    const auto log = ReadFakeLog(logPath_);
    if (GetParam().outcome == Outcome::ManagerRuns) {
        EXPECT_TRUE(seen.empty());
        ASSERT_NO_FATAL_FAILURE(ExpectManagerRanWithTheCabinet(log));
        return;
    }
    ExpectOneMessage(seen, NoAppManagerMessage);
    EXPECT_TRUE(log.empty()) << "the Application Manager ran";
    EXPECT_EQ(GetParam().outcome == Outcome::ManagerCannotStart ? 2u : 0u, FilesIn(folder_).size());
}

INSTANTIATE_TEST_SUITE_P(
    Values, RunInstallValueTypes,
    testing::Values(
        ValueTypeCase{"ExpandSzIsExpanded", REG_EXPAND_SZ, FakeAppManagerPath, Outcome::ManagerRuns},
        ValueTypeCase{"SzIsUsedAsStored", REG_SZ, FakeAppManagerPath, Outcome::ManagerCannotStart},
        ValueTypeCase{"ExpandedTo260Characters", REG_EXPAND_SZ, [] { return MissingProgramPath(260); },
                      Outcome::ManagerCannotStart},
        ValueTypeCase{"ExpandedTo261Characters", REG_EXPAND_SZ, [] { return MissingProgramPath(261); },
                      Outcome::NotRegistered}),
    [](const testing::TestParamInfo<ValueTypeCase>& info) { return info.param.name; });

// 64-bit Windows XP and Vista keep App Paths apart for each registry view,
// and a 64-bit ActiveSync registers its Application Manager in the 64-bit
// view only. The program reads its own view as always, and the other view
// only when its own holds nothing usable.
enum class Entry { None, Fake, ExpandableFake, Gone, TooLong };

struct ViewsCase {
    const char* name;
    Entry own;
    Entry other;
    bool managerRuns;  // else the user is told ActiveSync is missing
    // Names the case in test lists and failure messages, not its bytes.
    friend void PrintTo(const ViewsCase& c, std::ostream* out) { *out << c.name; }
};

class RunInstallViews : public RunInstallTest, public testing::WithParamInterface<ViewsCase> {
protected:
    void SetUp() override
    {
        RunInstallTest::SetUp();
        if (IsSkipped())
            return;
        SKIP_UNLESS_UNDER_WINE("on Windows 7 and later both registry views share one App Paths key");
        ASSERT_TRUE(SplitAppPathsViews()) << "cannot give the 32-bit registry view its own App Paths";
        RemoveAppManagerEntry(OwnView);
        RegisterAppManager(L"C:\\other-view-only.exe", OtherView);
        ASSERT_FALSE(HasAppManagerEntry(OwnView)) << "the registry views still share App Paths";
        RemoveAppManagerEntry(OtherView);
    }
    void TearDown() override
    {
        RunInstallTest::TearDown();
        if (IsSkipped())
            return;
        RemoveAppManagerEntry(OtherView);
        EXPECT_TRUE(JoinAppPathsViews()) << "the registry views were not linked again";
    }
    void Arrange(Entry entry, RegistryView view)
    {
        if (entry == Entry::Fake)
            RegisterAppManager(FakeAppManagerPath(), view);
        else if (entry == Entry::ExpandableFake)
            RegisterThroughVariable(FakeAppManagerPath(), REG_EXPAND_SZ, view);
        else if (entry == Entry::Gone)
            RegisterAppManager(folder_ + L"gone\\CEAPPMGR.EXE", view);
        else if (entry == Entry::TooLong)
            RegisterAppManager(L"C:\\" + std::wstring(258, L'a') + L".exe", view);
    }
};

TEST_P(RunInstallViews, TheOwnViewDecidesAndTheOtherStandsIn)
{
    Arrange(GetParam().own, OwnView);
    Arrange(GetParam().other, OtherView);
    const auto seen = RunWithWatcher();
    const auto log = ReadFakeLog(logPath_);
    if (!GetParam().managerRuns) {
        ExpectOneMessage(seen, NoAppManagerMessage);
        EXPECT_TRUE(log.empty()) << "the Application Manager ran";
        EXPECT_TRUE(FilesIn(folder_).empty());
        return;
    }
    EXPECT_TRUE(seen.empty());
    ASSERT_NO_FATAL_FAILURE(ExpectManagerRanWithTheCabinet(log));
}

INSTANTIATE_TEST_SUITE_P(
    RegistryViews, RunInstallViews,
    testing::Values(ViewsCase{"OtherViewOnly", Entry::None, Entry::Fake, true},
                    ViewsCase{"OwnValueTooLong", Entry::TooLong, Entry::Fake, true},
                    ViewsCase{"OtherViewExpandable", Entry::None, Entry::ExpandableFake, true},
                    ViewsCase{"BothDifferentOwnWins", Entry::Fake, Entry::Gone, true},
                    ViewsCase{"Neither", Entry::None, Entry::None, false}),
    [](const testing::TestParamInfo<ViewsCase>& info) { return info.param.name; });

// A folder of `length` characters (with its final backslash) under a fresh one.
std::wstring DeepFolder(size_t length)
{
    std::wstring deep = FreshFolder(L"cmd");
    while (deep.size() < length) {
        deep += std::wstring(std::min<size_t>(60, length - deep.size()), L'd');
        deep.back() = L'\\';
        CreateDirectoryW(deep.c_str(), nullptr);
    }
    return deep;
}


// A 246-character folder (the longest GetTempFileNameW takes) and an
// 11-character INI name make a 257-character INI path. Beside a 260-character
// manager path the command line needs 523 characters with its terminator, one
// more than its buffer: refused, and both files stay. Beside a 259-character
// one it fills the buffer exactly and is used (the manager does not exist).
TEST_F(RunInstallTest, ACommandLineOneCharacterTooLongIsRefusedAndBothFilesStay)
{
    const std::wstring deep = DeepFolder(246);
    ASSERT_EQ(246u, deep.size());
    // GetTempFileNameW writes its number in hex without leading zeros,
    // starting from the clock and going up past names that are taken. With
    // every name of up to three digits taken, each new name has four:
    // "VRIxxxx.tmp", 11 characters, whenever the test runs.
    TakeTempNames(deep, 1, 0x1000);
    SetTempFolder(deep);
    for (size_t managerLength : {260u, 259u}) {
        SCOPED_TRACE(testing::Message() << "manager path of " << managerLength << " characters");
        RegisterAppManager(MissingProgramPath(managerLength));
        const auto before = FilesIn(deep);
        const auto seen = RunWithWatcher();

        std::vector<std::wstring> added;
        for (const std::wstring& name : FilesIn(deep))
            if (!std::binary_search(before.begin(), before.end(), name))
                added.push_back(name);
        ASSERT_EQ(2u, added.size()) << "both files stay";
        for (const std::wstring& name : added)
            EXPECT_EQ(11u, name.size()) << Utf8(name);
        ExpectOneMessage(seen, managerLength == 260 ? PrepareFailedMessage : NoAppManagerMessage);
    }
}

TEST_F(RunInstallTest, WithoutAUsableTempFolderNothingIsWrittenAnywhere)
{
    const std::wstring current = ProgramFolder();
    SetCurrentDirectoryW(current.c_str());
    const size_t before = FilesIn(current).size();

    SetTempFolder(L"C:\\" + std::wstring(300, L't'));
    ExpectOneMessage(RunWithWatcher(), PrepareFailedMessage);
    EXPECT_EQ(before, FilesIn(current).size());

    SetTempFolder(folder_ + L"no-such-folder\\");
    ExpectOneMessage(RunWithWatcher(), PrepareFailedMessage);
    EXPECT_TRUE(FilesIn(folder_).empty());
    EXPECT_EQ(before, FilesIn(current).size());
}

TEST_F(RunInstallTest, AFullDiskIsReportedNotPassedToTheManager)
{
    SKIP_UNLESS_UNDER_WINE("the full disk is a small tmpfs that the Linux test run mounts");
    const std::wstring full = Environment(L"VRIX_FULL_DISK") + L"\\";
    if (full.size() < 2 || GetFileAttributesW((full + L"filler").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no full file system was mounted for this run (needs root)";
    SetTempFolder(full);
    ExpectOneMessage(RunWithWatcher(), PrepareFailedMessage);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(logPath_.c_str()));
}

}  // namespace

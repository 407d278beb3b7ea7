// The install action in a program that carries no cabinet.
#include <gtest/gtest.h>

#include <windows.h>

#include "app_paths.h"
#include "install.h"
#include "install_texts.h"
#include "message_boxes.h"
#include "test_files.h"

namespace {

TEST(NoPayload, ExtractFailsAndTheUserIsToldWithNothingWritten)
{
    SKIP_UNLESS_APP_PATHS_WRITABLE();
    const std::wstring folder = FreshFolder(L"no-payload");
    wchar_t name[PathChars];
    EXPECT_FALSE(ExtractPayload(folder.c_str(), name));

    SetTempFolder(folder);
    RegisterAppManager(FakeAppManagerPath());
    std::vector<SeenMessageBox> seen;
    {
        MessageBoxWatcher watcher(MessageCaption);
        RunInstall();
        seen = watcher.StopAndCollect();
    }
    RemoveAppManagerEntry();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(PrepareFailedMessage, seen[0].text);
    EXPECT_TRUE(FilesIn(folder).empty());
}

}  // namespace

// The install action's bounded text handling.
#include <gtest/gtest.h>

#include <string>

#include "bounded_text.h"

namespace {

TEST(BoundedText, CommandLineQuotesBothPathsEvenWithoutSpaces)
{
    wchar_t line[522];
    ASSERT_TRUE(BuildAppManagerCommandLine(line, 522, L"C:\\AS\\CEAPPMGR.EXE", L"C:\\T\\VRIX1.tmp"));
    EXPECT_STREQ(L"\"C:\\AS\\CEAPPMGR.EXE\" \"C:\\T\\VRIX1.tmp\"", line);
}

TEST(BoundedText, CommandLineFillsTheBufferExactlyButNeverPastIt)
{
    // Five quote/space characters and the terminator around the two paths.
    const std::wstring manager(258, L'm');
    const std::wstring fitting(258, L'i');
    wchar_t line[522 + 8];
    std::fill(line, line + 530, L'#');

    ASSERT_TRUE(BuildAppManagerCommandLine(line, 522, manager.c_str(), fitting.c_str()));
    EXPECT_EQ(521u, std::wstring(line).size());
    EXPECT_EQ(L'#', line[522]);

    const std::wstring tooLong(259, L'i');
    std::fill(line, line + 530, L'#');
    EXPECT_FALSE(BuildAppManagerCommandLine(line, 522, manager.c_str(), tooLong.c_str()));
    EXPECT_EQ(L'\0', line[0]) << "a line that does not fit is not left half-built";
    for (int i = 522; i < 530; ++i)
        ASSERT_EQ(L'#', line[i]) << "written past the buffer at " << i;
}

TEST(BoundedText, FolderOfAPathKeepsItsLastSeparator)
{
    wchar_t folder[8] = {L'#'};
    EXPECT_TRUE(CopyFolderOf(folder, 8, L"C:/a\\b/c.exe") && std::wstring(folder) == L"C:/a\\b/");
    EXPECT_TRUE(CopyFolderOf(folder, 4, L"C:\\x.exe") && std::wstring(folder) == L"C:\\");
    EXPECT_FALSE(CopyFolderOf(folder, 3, L"C:\\x.exe") || *folder) << "the folder and its terminator need 4";
    EXPECT_FALSE(CopyFolderOf(folder, 8, L"CEAPPMGR.EXE") || *folder) << "a bare name has no folder";
}

TEST(BoundedText, CopyAndLengthStopAtTheirLimits)
{
    wchar_t target[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_TRUE(CopyBounded(target, 4, L"abc"));
    EXPECT_STREQ(L"abc", target);
    EXPECT_FALSE(CopyBounded(target, 4, L"abcd"));
    EXPECT_STREQ(L"", target);
    EXPECT_FALSE(CopyBounded(target, 0, L""));

    const wchar_t unterminated[3] = {L'x', L'y', L'z'};
    EXPECT_EQ(3u, BoundedLength(unterminated, 3));
    EXPECT_EQ(1u, BoundedLength(L"x\0yz", 4));
}

}  // namespace

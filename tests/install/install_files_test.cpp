// The two files the install action writes: the cabinet and its INI file.
#include <gtest/gtest.h>

#include <windows.h>

#include "install.h"
#include "test_files.h"
#include "test_paths.h"

namespace {

const char IniBlock[] =
    "[CEAppManager]\r\nVersion      = 1.0\r\nComponent    = VRIX Mobile Security\r\n\r\n"
    "[VRIX Mobile Security]\r\nDescription  = VRIX Mobile Security\r\nCabFiles     = ";

TEST(ExtractPayload, WritesTheBuiltCabinetByteForByteUnderANewName)
{
    const std::wstring folder = FreshFolder(L"extract");
    // A file already there must survive untouched.
    HANDLE existing = CreateFileW((folder + L"VRIX1.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, existing);
    DWORD written = 0;
    WriteFile(existing, "keep", 4, &written, nullptr);
    CloseHandle(existing);

    bool readOk = false;
    const std::string cabinet = ReadBytes(TEST_PAYLOAD_FILE, &readOk);
    ASSERT_TRUE(readOk);
    ASSERT_EQ("MSCF", cabinet.substr(0, 4));

    wchar_t name[PathChars];
    ASSERT_TRUE(ExtractPayload(folder.c_str(), name));
    EXPECT_EQ(std::wstring::npos, std::wstring(name).find(L'\\'));
    EXPECT_EQ(0, _wcsnicmp(name, L"VRI", 3)) << name;
    EXPECT_EQ(cabinet, ReadBytes(folder + name));
    EXPECT_EQ("keep", ReadBytes(folder + L"VRIX1.tmp"));

    wchar_t second[PathChars];
    ASSERT_TRUE(ExtractPayload(folder.c_str(), second));
    EXPECT_STRNE(name, second);
    EXPECT_EQ(3u, FilesIn(folder).size());
}

TEST(ExtractPayload, FailsWithoutWritingWhenTheFolderDoesNotExist)
{
    const std::wstring folder = FreshFolder(L"extract-missing") + L"no-such-folder\\";
    wchar_t name[PathChars];
    EXPECT_FALSE(ExtractPayload(folder.c_str(), name));
    EXPECT_STREQ(L"", name);
}

TEST(WriteAppManagerIni, IsTheFixedBlockThenTheBareNameWithNoLineEnd)
{
    static_assert(sizeof(IniBlock) - 1 == 151, "fixed block");
    const std::wstring folder = FreshFolder(L"ini");
    wchar_t iniPath[PathChars];
    ASSERT_TRUE(WriteAppManagerIni(iniPath, folder.c_str(), L"VRIX1A2.tmp"));
    EXPECT_EQ(folder, std::wstring(iniPath).substr(0, folder.size()));
    const std::string bytes = ReadBytes(iniPath);
    EXPECT_EQ(162u, bytes.size());
    EXPECT_EQ(std::string(IniBlock) + "VRIX1A2.tmp", bytes);

    // Only the name differs between runs.
    wchar_t again[PathChars];
    ASSERT_TRUE(WriteAppManagerIni(again, folder.c_str(), L"VRIXFFFF.tmp"));
    EXPECT_STRNE(iniPath, again);
    EXPECT_EQ(std::string(IniBlock) + "VRIXFFFF.tmp", ReadBytes(again));
}

TEST(WriteAppManagerIni, FailsWhenTheFolderDoesNotExist)
{
    const std::wstring folder = FreshFolder(L"ini-missing") + L"no-such-folder\\";
    wchar_t iniPath[PathChars];
    EXPECT_FALSE(WriteAppManagerIni(iniPath, folder.c_str(), L"VRIX1.tmp"));
}

// On a file system with no room left both writers must report failure, not
// success with an empty or cut-short file. (Wine's fclose returns 0 even when
// its final flush fails, where Windows' returns EOF; the writers flush first,
// which both report.)
TEST(InstallFilesOnAFullDisk, BothWritersReportTheFailure)
{
    const std::wstring folder = Environment(L"VRIX_FULL_DISK") + L"\\";
    if (folder.size() < 2 || GetFileAttributesW((folder + L"filler").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no full file system was mounted for this run (needs root)";
    wchar_t name[PathChars];
    EXPECT_FALSE(ExtractPayload(folder.c_str(), name));
    wchar_t iniPath[PathChars];
    EXPECT_FALSE(WriteAppManagerIni(iniPath, folder.c_str(), L"VRIX1A2.tmp"));
}

}  // namespace

// The two files the install action writes: the cabinet and its INI file.
#include <gtest/gtest.h>

#include <windows.h>

#include <wchar.h>

#include "install.h"
#include "test_files.h"
#include "test_paths.h"
#include "wine.h"

namespace {

const char IniBlock[] =
    "[CEAppManager]\r\nVersion      = 1.0\r\nComponent    = VRIX Mobile Security\r\n\r\n"
    "[VRIX Mobile Security]\r\nDescription  = VRIX Mobile Security\r\nCabFiles     = ";

// With a number of 0, GetTempFileNameW starts from the clock (Wine: the low
// 16 bits of GetTickCount, in hex) and goes up past names that are taken.
// The test takes every name of a stretch of the clock that lies ahead, far
// enough ahead for this machine (it times its own planting first, as under
// emulation that is ten times slower), waits until the clock is in the
// stretch, and writes the cabinet: the name the call would have taken is
// taken, so it must take the first free one past the stretch and leave every
// planted file as it was. An attempt that ends outside the stretch, or whose
// stretch wraps, is made again in a fresh folder with twice the lead.
TEST(ExtractPayload, WritesTheBuiltCabinetByteForByteUnderANewName)
{
    bool readOk = false;
    const std::string cabinet = ReadBytes(TEST_PAYLOAD_FILE, &readOk);
    ASSERT_TRUE(readOk);
    ASSERT_EQ("MSCF", cabinet.substr(0, 4));
    const ULONGLONG stretch = 256;  // names, so milliseconds the call may come late
    const ULONGLONG started = GetTickCount64();
    TakeTempNames(FreshFolder(L"extract-pace"), 0, 32);
    ULONGLONG msPerName = (GetTickCount64() - started) / 32 + 1;
    for (int attempt = 0; attempt < 6; ++attempt, msPerName *= 2) {
        const std::wstring folder = FreshFolder(L"extract");
        const ULONGLONG first = GetTickCount64() + 2 * stretch * msPerName + 200, end = first + stretch;
        if ((first >> 16) != ((end - 1) >> 16))
            continue;
        TakeTempNames(folder, first, end);
        if (GetTickCount64() >= first)
            continue;
        while (GetTickCount64() < first)
            Sleep(1);
        wchar_t name[PathChars];
        ASSERT_TRUE(ExtractPayload(folder.c_str(), name));
        if (GetTickCount64() >= end)
            continue;
        EXPECT_EQ(std::wstring::npos, std::wstring(name).find(L'\\'));
        if (IsWine()) {
            wchar_t expected[16];
            swprintf(expected, 16, L"VRI%x.tmp", static_cast<unsigned>(end & 0xFFFF));
            EXPECT_EQ(0, _wcsicmp(expected, name)) << Utf8(name) << ": not the first free name past the taken ones";
        }
        EXPECT_EQ(cabinet, ReadBytes(folder + name));
        const auto files = FilesIn(folder);
        EXPECT_EQ(end - first + 1, files.size());
        for (const std::wstring& file : files) {
            if (file != name) {
                ASSERT_EQ("", ReadBytes(folder + file)) << Utf8(file) << " was overwritten";
            }
        }

        wchar_t second[PathChars];
        ASSERT_TRUE(ExtractPayload(folder.c_str(), second));
        EXPECT_STRNE(name, second);
        return;
    }
    FAIL() << "no attempt wrote the cabinet while the clock was in the taken names";
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

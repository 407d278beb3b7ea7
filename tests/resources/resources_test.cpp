// The resources of the built programs, read as data files.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialog_template.h"
#include "resource.h"
#include "test_files.h"
#include "test_paths.h"

namespace {

struct Row {
    int id;
    const wchar_t* className;
    const wchar_t* title;
    DWORD style;  // besides WS_CHILD | WS_VISIBLE, which every control has
    DWORD exStyle;
    short x, y, cx, cy;
};

const wchar_t SubtitleCaption[] = L"VRIX Mobile Security will be installed on your device now";

const Row WelcomeRows[] = {
    {IDC_BACK, L"Button", L"< &Back", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP | WS_DISABLED, 0, 148, 199, 57, 13},
    {IDOK, L"Button", L"&Next >", BS_DEFPUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0, 206, 199, 55, 13},
    {IDCANCEL, L"Button", L"&Cancel", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0, 267, 199, 59, 13},
    {IDC_BODY, L"Static", L"Static", SS_LEFT | WS_GROUP, 0, 8, 43, 314, 142},
    {IDC_FOOTER_RULE, L"Static", L"", SS_ETCHEDHORZ, 0, 6, 192, 320, 1},
    {IDC_HEADER_RULE, L"Static", L"", SS_ETCHEDHORZ, 0, 0, 35, 334, 1},
    {IDC_STATIC, L"Static", SubtitleCaption, SS_LEFT | WS_GROUP, 0, 16, 21, 309, 8},
    {IDC_WELCOME_TITLE, L"Static", L"VRIX Mobile Security", SS_LEFT | WS_GROUP, 0, 9, 8, 85, 8},
};

const Row LicenseRows[] = {
    {IDC_BODY, L"Edit", L"", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, WS_EX_STATICEDGE, 6, 44, 319, 107},
    {IDC_ACCEPT, L"Button", L"I &accept the terms in the license agreement", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 7, 157, 314, 10},
    {IDC_DECLINE, L"Button", L"I &do not accept the terms in the license agreement", BS_AUTORADIOBUTTON | WS_TABSTOP, 0, 7, 169, 308, 10},
    {IDC_BACK, L"Button", L"< &Back", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0, 148, 199, 57, 13},
    {IDOK, L"Button", L"&Finish", BS_DEFPUSHBUTTON | BS_MULTILINE | WS_TABSTOP | WS_DISABLED, 0, 206, 199, 55, 13},
    {IDCANCEL, L"Button", L"&Cancel", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0, 267, 199, 59, 13},
    {IDC_HEADER_RULE, L"Static", L"", SS_ETCHEDHORZ, 0, 0, 35, 334, 1},
    {IDC_FOOTER_RULE, L"Static", L"", SS_ETCHEDHORZ, 0, 6, 192, 320, 1},
    {IDC_LICENSE_SUBTITLE, L"Static", SubtitleCaption, SS_LEFT | WS_GROUP, 0, 16, 21, 310, 8},
    {IDC_LICENSE_TITLE, L"Static", L"VRIX Mobile Security", SS_LEFT | WS_GROUP, 0, 9, 8, 85, 8},
};

struct Product {
    const char* name;
    const wchar_t* path;
    const wchar_t* variable;  // names another build of it instead (ProgramFile)
    // Names the case in test lists and failure messages, not its bytes.
    friend void PrintTo(const Product& c, std::ostream* out) { *out << c.name; }
};

class ProductResources : public testing::TestWithParam<Product> {
protected:
    void SetUp() override
    {
        const std::wstring path = ProgramFile(GetParam().path, GetParam().variable);
        module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module_) << "cannot load " << Utf8(path);
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }

    DialogTemplate Dialog(int id)
    {
        const std::string bytes = ResourceBytes(module_, RT_DIALOG, MAKEINTRESOURCEW(id));
        bool ok = false;
        DialogTemplate dialog = ParseDialogTemplate(bytes, &ok);
        EXPECT_TRUE(ok) << "dialog " << id << " is missing or not an extended template";
        return dialog;
    }

    // SimSun in the system's own character set: a face that holds every
    // Chinese character on a Western Windows too.
    void ExpectFont(const DialogTemplate& dialog)
    {
        EXPECT_EQ(L"SimSun", dialog.typeface);
        EXPECT_EQ(10, dialog.pointSize);
        EXPECT_EQ(FW_NORMAL, dialog.weight);
        EXPECT_EQ(0, dialog.italic);
        EXPECT_EQ(DEFAULT_CHARSET, dialog.charset);
    }

    void ExpectRows(const DialogTemplate& dialog, const Row* rows, size_t count)
    {
        ASSERT_EQ(count, dialog.items.size());
        for (size_t i = 0; i < count; ++i) {
            const DialogItem& item = dialog.items[i];
            const Row& row = rows[i];
            SCOPED_TRACE("control #" + std::to_string(i + 1) + " id " + std::to_string(row.id));
            EXPECT_EQ(row.id, item.id);
            EXPECT_EQ(0, _wcsicmp(row.className, item.className.c_str())) << Utf8(item.className);
            EXPECT_EQ(row.title, item.title);
            EXPECT_EQ(row.style | WS_CHILD | WS_VISIBLE, item.style);
            EXPECT_EQ(row.exStyle, item.exStyle);
            EXPECT_EQ(row.x, item.x);
            EXPECT_EQ(row.y, item.y);
            EXPECT_EQ(row.cx, item.cx);
            EXPECT_EQ(row.cy, item.cy);
        }
    }

    HMODULE module_ = nullptr;
};

TEST_P(ProductResources, FrameTemplate)
{
    const DialogTemplate frame = Dialog(IDD_FRAME);
    EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
                    | DS_CENTER | DS_SETFONT),
              frame.style);
    EXPECT_EQ(DWORD(WS_EX_CONTROLPARENT), frame.exStyle);
    EXPECT_EQ(333, frame.cx);
    EXPECT_EQ(218, frame.cy);
    EXPECT_EQ(L"VRIX Mobile Security", frame.title);
    EXPECT_TRUE(frame.items.empty());
    ExpectFont(frame);
}

TEST_P(ProductResources, WelcomePageTemplate)
{
    const DialogTemplate page = Dialog(IDD_WELCOME);
    EXPECT_EQ(DWORD(WS_CHILD | DS_CONTROL | DS_CENTER | DS_SETFONT), page.style);
    EXPECT_EQ(332, page.cx);
    EXPECT_EQ(218, page.cy);
    EXPECT_EQ(L"", page.title);
    ExpectFont(page);
    ExpectRows(page, WelcomeRows, sizeof(WelcomeRows) / sizeof(WelcomeRows[0]));
}

TEST_P(ProductResources, LicensePageTemplate)
{
    const DialogTemplate page = Dialog(IDD_LICENSE);
    EXPECT_EQ(DWORD(WS_CHILD | WS_TABSTOP | DS_CONTROL | DS_CENTER | DS_SETFONT), page.style);
    EXPECT_EQ(332, page.cx);
    EXPECT_EQ(218, page.cy);
    EXPECT_EQ(L"", page.title);
    ExpectFont(page);
    ExpectRows(page, LicenseRows, sizeof(LicenseRows) / sizeof(LicenseRows[0]));
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

BOOL CALLBACK CountNames(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int CountResources(HMODULE module, const wchar_t* type)
{
    int count = 0;
    EnumResourceNamesW(module, type, CountNames, reinterpret_cast<LONG_PTR>(&count));
    return count;
}

TEST_P(ProductResources, IconGroupHasFiveSquare256ColourImages)
{
    EXPECT_EQ(1, CountResources(module_, RT_GROUP_ICON)) << "the file icon is the first group";
    const std::string group = ResourceBytes(module_, RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP));
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(5, count);
    ASSERT_EQ(6 + 5 * sizeof(GroupIconEntry), group.size());
    const int sizes[] = {16, 32, 45, 48, 64};
    for (int i = 0; i < 5; ++i) {
        GroupIconEntry entry;
        memcpy(&entry, group.data() + 6 + i * sizeof(entry), sizeof(entry));
        EXPECT_EQ(sizes[i], entry.width);
        EXPECT_EQ(sizes[i], entry.height);
        EXPECT_EQ(8, entry.bitCount);
        const std::string image = ResourceBytes(module_, RT_ICON, MAKEINTRESOURCEW(entry.id));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        memcpy(&header, image.data(), sizeof(header));
        EXPECT_EQ(sizes[i], header.biWidth);
        EXPECT_EQ(sizes[i] * 2, header.biHeight) << "image and mask";
        EXPECT_EQ(8, header.biBitCount);
        EXPECT_EQ(entry.bytes, image.size());
    }
}

TEST_P(ProductResources, OneManifestAsInvokerWithoutCommonControls6)
{
    EXPECT_EQ(1, CountResources(module_, RT_MANIFEST)) << "the toolchain added a manifest of its own";
    const std::string manifest = ResourceBytes(module_, RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
    EXPECT_EQ(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_EQ(std::string::npos, manifest.find("<dependency"));
}

// Declared system DPI aware, inside an asm.v3 application's windows
// settings, and written for Windows Vista to 11.
TEST_P(ProductResources, ManifestDeclaresDpiAwarenessAndTheSupportedSystems)
{
    const std::string manifest = ResourceBytes(module_, RT_MANIFEST, MAKEINTRESOURCEW(1));
    const size_t application = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
    const size_t settings = manifest.find("<windowsSettings>", application);
    const size_t dpiAware = manifest.find(
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>", settings);
    ASSERT_NE(std::string::npos, application);
    ASSERT_NE(std::string::npos, settings);
    EXPECT_NE(std::string::npos, dpiAware);
    EXPECT_LT(dpiAware, manifest.find("</windowsSettings>", settings));

    const size_t compatibility = manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">");
    ASSERT_NE(std::string::npos, compatibility);
    const size_t end = manifest.find("</compatibility>", compatibility);
    for (const char* id : {"e2011457-1546-43c5-a5fe-008deee3d3f0",    // Vista
                           "35138b9a-5d96-4fbd-8e2d-a2440225f93a",    // 7
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",    // 8
                           "1f676c76-80e1-4239-95bb-83d0f6d0da78",    // 8.1
                           "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {  // 10 and 11
        const size_t at = manifest.find(std::string("<supportedOS Id=\"{") + id + "}\"/>", compatibility);
        EXPECT_LT(at, end) << "no supportedOS " << id;
    }
}

TEST_P(ProductResources, CarriesTheBuiltCabinetAndNoVersionResource)
{
    const std::string cab = ResourceBytes(module_, L"CAB", MAKEINTRESOURCEW(IDR_PAYLOAD));
    EXPECT_EQ(ReadBytes(TEST_PAYLOAD_FILE), cab);
    EXPECT_EQ(0, CountResources(module_, RT_VERSION));
}

// The reader the checks above rely on: DS_FIXEDSYS without DS_SETFONT brings
// no font block, so the first control follows the title directly.
TEST(DialogTemplateReader, ReadsAFontBlockOnlyWithDsSetfont)
{
    const DWORD style = WS_POPUP | DS_FIXEDSYS;
    const WORD words[] = {1, 0xFFFF, 0, 0, 0, 0, LOWORD(style), HIWORD(style), 1, 0, 0, 50, 20,
                          0, 0, 0,  // no menu, class or title; the control is 4-byte aligned
                          0, 0, 0, 0, LOWORD(BS_PUSHBUTTON), HIWORD(BS_PUSHBUTTON), 1, 2, 30, 10,
                          IDOK, 0, 0xFFFF, 0x0080, L'O', L'K', 0, 0};
    bool ok = false;
    const DialogTemplate dialog = ParseDialogTemplate(
        std::string(reinterpret_cast<const char*>(words), sizeof(words)), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(L"", dialog.typeface);
    ASSERT_EQ(1u, dialog.items.size());
    EXPECT_EQ(IDOK, dialog.items[0].id);
    EXPECT_EQ(L"Button", dialog.items[0].className);
    EXPECT_EQ(L"OK", dialog.items[0].title);
    EXPECT_EQ(30, dialog.items[0].cx);
}

// Each tree reads its own program; the twin's also reads the product, so
// that hosts which cannot run 32-bit code still check it.
#ifdef _WIN64
const Product BuiltPrograms[] = {{"Product32", TEST_PRODUCT_WIN32, L"VRIX_TEST_PRODUCT_WIN32"},
                                 {"Twin64", TEST_PRODUCT, L"VRIX_TEST_PRODUCT"}};
#else
const Product BuiltPrograms[] = {{"Product32", TEST_PRODUCT, L"VRIX_TEST_PRODUCT"}};
#endif
INSTANTIATE_TEST_SUITE_P(Built, ProductResources, testing::ValuesIn(BuiltPrograms),
                         [](const testing::TestParamInfo<Product>& info) { return info.param.name; });

}  // namespace

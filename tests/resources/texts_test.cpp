// The page texts as compiled into the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_texts.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::wstring::npos; start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(WelcomeText, IsTheFourteenLinesJoinedByLineFeeds)
{
    const std::wstring expected =
        L"VRIX Mobile Security\n"
        L"\n"
        L"此程序将在您的手持设备上安装 VRIX Mobile Security。\n"
        L"\n"
        L"请确保设备满足以下要求\xFF1A\n"
        L"\n"
        L"处理器\xFF1A 200 Mhz\n"
        L"操作系统\xFF1A Windows Mobile 5.0 及更高版本\n"
        L"可用空间\xFF1A 2.5 MB\n"
        L"内存\xFF1A 16 MB\n"
        L"\n"
        L"在继续之前，请确保 ActiveSync 已安装、设备已连接且已就绪。\n"
        L"\n"
        L"感谢您使用 VRIX Mobile Security";
    EXPECT_EQ(expected, std::wstring(WelcomeText));
    EXPECT_EQ(205u, std::wstring(WelcomeText).size());
    EXPECT_EQ(std::wstring::npos, std::wstring(WelcomeText).find(L'\r'));
}

TEST(LicenseText, HasTheAgreementsShape)
{
    const std::wstring text = LicenseText;
    EXPECT_NEAR(6100.0, double(text.size()), 300.0);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(L'\n', text.back()) << "no line break after the last line";
    // Every line break is CR LF.
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == L'\r') << "bare LF at " << i;
        }
        if (text[i] == L'\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "bare CR at " << i;
        }
    }

    const auto lines = Split(text, L"\r\n");
    ASSERT_EQ(76u, lines.size());
    size_t nonEmpty = 0;
    for (const auto& line : lines)
        nonEmpty += !line.empty();
    EXPECT_EQ(48u, nonEmpty);

    // Notice, title, four preamble paragraphs, then sections "1. " to "23. "
    // in order. Paragraphs are separated by a blank line, except the ones
    // labelled here: each follows the line before it directly.
    EXPECT_NE(std::wstring::npos, lines[2].find(L"VRIX Mobile Security")) << "title line";
    int section = 0;
    std::vector<std::wstring> attached;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (line.empty())
            continue;
        const std::wstring nextNumber = std::to_wstring(section + 1) + L". ";
        if (StartsWith(line, nextNumber))
            ++section;
        if (i < 12) {
            EXPECT_EQ(0, section) << "a section starts before the preamble ends";
        }
        if (i == 0 || lines[i - 1].empty())
            continue;
        // Lettered and roman items by their label; plain paragraphs as "+".
        const std::wstring label = line.substr(0, line.find(L' '));
        const bool item = label.size() <= 4 && (label[0] == L'(' || label.back() == L'.');
        attached.push_back(std::to_wstring(section) + L":" + (item ? label : L"+"));
    }
    EXPECT_EQ(23, section);
    const std::vector<std::wstring> expectedAttached = {
        L"6:(a)", L"6:(b)", L"6:(c)", L"6:(d)", L"6:(e)", L"6:(f)", L"6:(g)",
        L"10:+", L"10:+",
        L"15:(a)", L"15:(b)", L"15:(c)", L"15:i.", L"15:ii.", L"15:iii.", L"15:iv.", L"15:v.", L"15:(d)",
        L"23:+"};
    EXPECT_EQ(expectedAttached, attached);
    EXPECT_TRUE(StartsWith(lines[lines.size() - 2], L"23. ")) << "general provisions come last";
    EXPECT_NE(std::wstring::npos, lines.back().find(L"完整协议")) << "then the entire-agreement paragraph";
}

struct Caption {
    const char* name;
    const wchar_t* text;
    wchar_t accelerator;
    // Names the case in test lists and failure messages, not its bytes.
    friend void PrintTo(const Caption& c, std::ostream* out) { *out << c.name; }
};

class Captions : public testing::TestWithParam<Caption> {};

TEST_P(Captions, MarkTheirAcceleratorOnce)
{
    const std::wstring text = GetParam().text;
    const size_t amp = text.find(L'&');
    ASSERT_NE(std::wstring::npos, amp);
    EXPECT_EQ(std::wstring::npos, text.find(L'&', amp + 1));
    ASSERT_LT(amp + 1, text.size());
    EXPECT_EQ(GetParam().accelerator, towupper(text[amp + 1]));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Captions,
    testing::Values(Caption{"Back", BackCaption, L'B'}, Caption{"Next", NextCaption, L'N'},
                    Caption{"Cancel", CancelCaption, L'C'}, Caption{"Finish", FinishCaption, L'F'},
                    Caption{"Accept", AcceptCaption, L'A'}, Caption{"Decline", DeclineCaption, L'D'}),
    [](const testing::TestParamInfo<Caption>& info) { return info.param.name; });

TEST(Captions, KeepTheFixedPartsOfTheirTemplateCaptions)
{
    EXPECT_TRUE(StartsWith(BackCaption, L"< "));
    const std::wstring next = NextCaption;
    EXPECT_EQ(L" >", next.substr(next.size() - 2));
    EXPECT_LT(next.find(L"&N"), next.size() - 2);
    const std::wstring subtitle = WelcomeSubtitle;
    EXPECT_EQ(L"VRIX Mobile Security", subtitle.substr(subtitle.size() - 20));
    for (const wchar_t* line : {WelcomeTitle, WelcomeSubtitle, LicenseTitle, LicenseSubtitle})
        EXPECT_EQ(std::wstring::npos, std::wstring(line).find_first_of(L"\r\n"));
}

}  // namespace

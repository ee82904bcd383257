// Version texts as the list shows them: converted from UTF-8, and cut to
// the 127 units a list item holds without splitting a character.
#include <gtest/gtest.h>

#include <string>

#include "patch/version_label.h"

namespace {

std::wstring Label(const std::string& version)
{
    wchar_t label[kVersionLabelChars];
    // Whatever the conversion leaves behind must not show through.
    std::fill(label, label + kVersionLabelChars, L'#');
    ConvertVersionLabel(version.c_str(), label);
    return label;
}

std::string Repeat(const std::string& text, size_t times)
{
    std::string repeated;
    for (size_t i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

std::wstring Repeat(const std::wstring& text, size_t times)
{
    std::wstring repeated;
    for (size_t i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

const std::string kGrin = "\xF0\x9F\x98\x80";   // U+1F600, a surrogate pair in UTF-16
const std::wstring kGrinUnits = L"\xD83D\xDE00";
const std::string kCheck = "\xE2\x9C\x93";      // U+2713, three bytes, one unit

struct LabelCase {
    const char* name;
    std::string version;
    std::wstring expected;
};

TEST(VersionLabel, ConvertsAndCutsAt127Units)
{
    const LabelCase cases[] = {
        {"ASCII", "1.5.3.23260", L"1.5.3.23260"},
        {"empty", "", L""},
        {"two- to four-byte characters", "\xC3\x89t\xC3\xA9 " + kCheck + " " + kGrin,
         L"\x00C9t\x00E9 \x2713 " + kGrinUnits},
        {"exactly 127 units", std::string(127, 'v'), std::wstring(127, L'v')},
        {"128 units are cut to 127", std::string(128, 'v'), std::wstring(127, L'v')},
        {"a long version is cut to 127", std::string(16000, 'v'), std::wstring(127, L'v')},
        {"three-byte characters cut by units, not bytes", Repeat(kCheck, 200), std::wstring(127, L'\x2713')},
        {"a pair that ends exactly at 127 stays", std::string(125, 'v') + kGrin, std::wstring(125, L'v') + kGrinUnits},
        {"a pair that would straddle the end is left out", std::string(126, 'v') + kGrin + "tail",
         std::wstring(126, L'v')},
        {"pairs only, an odd limit", Repeat(kGrin, 70), Repeat(kGrinUnits, 63)},
        {"a pair after the cut does not matter", std::string(127, 'v') + kGrin, std::wstring(127, L'v')},
    };
    for (const LabelCase& c : cases) {
        const std::wstring actual = Label(c.version);
        EXPECT_EQ(actual, c.expected) << "case \"" << c.name << "\": expected " << c.expected.size()
                                      << " units, got " << actual.size();
    }
}

// Character references can put bytes in a Version that are not UTF-8 (a
// lone surrogate, a code point beyond U+10FFFF); they must still give a
// terminated label that never ends in half a pair.
TEST(VersionLabel, TextThatIsNotUtf8StillGivesATerminatedLabel)
{
    const std::string loneSurrogate = "\xED\xA0\x80";
    const std::string beyondUnicode = "\xF4\x90\x80\x80";
    for (const std::string& version :
         {loneSurrogate, "a" + beyondUnicode + "b", Repeat(loneSurrogate, 100), std::string(126, 'v') + beyondUnicode,
          Repeat(beyondUnicode, 200)}) {
        const std::wstring label = Label(version);
        EXPECT_LE(label.size(), 127u) << testing::PrintToString(version);
        EXPECT_EQ(label.find(L'#'), std::wstring::npos) << testing::PrintToString(version);
        if (!label.empty()) {
            EXPECT_FALSE(label.back() >= 0xD800 && label.back() <= 0xDBFF) << testing::PrintToString(version);
        }
    }
    EXPECT_EQ(Label("a" + loneSurrogate + "b").front(), L'a');
    EXPECT_EQ(Label("a" + loneSurrogate + "b").back(), L'b');
}

} // namespace

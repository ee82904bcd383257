// The session's record as a stream shows it: each case a format and the
// numbers, and the text it must give. Placeholders that are not ours stay
// as they are, and nothing ever runs past the bound.
#include "record/record_format.h"
#ifdef _WINDOWS_
#error "the record formatter must build without <windows.h>"
#endif

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Narrow(const std::u16string& text)
{
    std::string narrow;
    for (char16_t unit : text)
        narrow += unit < 0x80 ? char(unit) : '?';
    return narrow;
}

std::u16string Format(const std::u16string& format, const RecordCounts& counts)
{
    char16_t out[kRecordTextChars];
    const size_t length = FormatRecord(format.c_str(), counts, out);
    EXPECT_EQ(out[length], u'\0');
    return std::u16string(out, length);
}

// 7 wins, 3 losses, 1 tie: against Terran 2-1, Zerg 3-0, Protoss 1-2, random 1-0.
const RecordCounts kEvening = {7, 3, 1, {2, 3, 1, 1}, {1, 0, 2, 0}};
const RecordCounts kNothing = {};

struct FormatCase {
    const char* name;
    std::u16string format;
    RecordCounts counts;
    std::u16string expected;
};

const FormatCase kCases[] = {
    {"the default", kDefaultRecordFormat, kEvening, u"7 - 3"},
    {"every placeholder", u"{wins}/{losses}/{ties}/{games}/{winrate}/{vsT}/{vsZ}/{vsP}/{vsR}", kEvening,
     u"7/3/1/11/70/2-1/3-0/1-2/1-0"},
    {"before the first game", u"{wins}-{losses} ({winrate}%)", kNothing, u"0-0 (0%)"},
    {"ties leave the win rate alone", u"{winrate}", {1, 1, 5, {}, {}}, u"50"},
    {"the win rate rounds to the nearest", u"{winrate}", {2, 1, 0, {}, {}}, u"67"},
    {"the win rate rounds a half up", u"{winrate}", {1, 7, 0, {}, {}}, u"13"},
    {"a third", u"{winrate}", {1, 2, 0, {}, {}}, u"33"},
    {"only ties", u"{winrate} of {games}", {0, 0, 3, {}, {}}, u"0 of 3"},
    {"the largest numbers", u"{wins} {games} {winrate}", {4294967295u, 4294967295u, 4294967295u, {}, {}},
     u"4294967295 12884901885 50"},
    {"text around and between", u"Today: {wins}W {losses}L!", kEvening, u"Today: 7W 3L!"},
    {"a placeholder twice", u"{wins}{wins}", kEvening, u"77"},
    {"unknown placeholders stay", u"{win} {Wins} {vsX} { wins} {}", kEvening, u"{win} {Wins} {vsX} { wins} {}"},
    {"braces alone stay", u"{ } }{ {{wins}}", kEvening, u"{ } }{ {7}"},
    {"an unclosed brace stays", u"{wins", kEvening, u"{wins"},
    {"a long run in braces stays", u"{abcdefghijklmnop}", kEvening, u"{abcdefghijklmnop}"},
    {"non-ASCII passes", u"Siege \u00e9 {wins} \U0001F3C6", kEvening, u"Siege \u00e9 7 \U0001F3C6"},
    {"an empty format", u"", kEvening, u""},
};

TEST(RecordFormat, EachFormatGivesItsText)
{
    for (const FormatCase& c : kCases)
        EXPECT_EQ(Narrow(Format(c.format, c.counts)), Narrow(c.expected)) << "case \"" << c.name << "\"";
    EXPECT_EQ(Format(u"Siege \u00e9 {wins} \U0001F3C6", kEvening), u"Siege \u00e9 7 \U0001F3C6");
}

// A format is read up to its bound, and its text is cut at the output's.
TEST(RecordFormat, FormatsAndTextsOverTheirBoundsAreCut)
{
    const std::u16string longest(kRecordFormatChars - 1, u'x');
    EXPECT_EQ(Format(longest + u"yyyy", kEvening), longest) << "a format longer than its bound is cut";

    // Fifty placeholders of 21 units each would be 1050 units.
    const RecordCounts largest = {0, 0, 0, {4294967295u}, {4294967295u}};
    std::u16string many;
    while (many.size() + 5 <= kRecordFormatChars - 1)
        many += u"{vsT}";
    const std::u16string text = Format(many, largest);
    EXPECT_EQ(text.size(), kRecordTextChars - 1);
    EXPECT_EQ(text.substr(0, 25), u"4294967295-42949672954294");

    // Twenty of them are 420 units; 46 characters of two units each bring
    // the text to 512, so the cut falls between the halves of the last.
    std::u16string pairs;
    for (int i = 0; i < 20; ++i)
        pairs += u"{vsT}";
    for (int i = 0; i < 46; ++i)
        pairs += u"\U0001F3C6";
    const std::u16string cut = Format(pairs, largest);
    ASSERT_EQ(cut.size(), kRecordTextChars - 2) << "the first half of the cut character is not dropped";
    EXPECT_TRUE(cut.back() >= 0xDC00 && cut.back() <= 0xDFFF);
}

TEST(RecordFormat, NoFormatAtAllGivesNoText)
{
    char16_t out[kRecordTextChars];
    out[0] = u'z';
    EXPECT_EQ(FormatRecord(nullptr, kEvening, out), 0u);
    EXPECT_EQ(out[0], u'\0');
}

} // namespace

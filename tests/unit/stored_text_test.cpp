// Registry texts as users and other programs may leave them: of another
// type, of odd length, without a terminator, or filling the whole read.
#include "settings/stored_text.h"
#ifdef _WINDOWS_
#error "the stored text step must build without <windows.h>"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Units = std::u16string;

// What the program shows for the bytes a read returned.
Units Take(const Bytes& bytes, size_t size)
{
    char16_t text[kStoredTextChars];
    // Whatever the buffer held before must not show through.
    std::fill(text, text + kStoredTextChars, u'#');
    TakeStoredText(bytes.data(), size, text);
    const auto end = std::find(text, text + kStoredTextChars, u'\0');
    EXPECT_NE(end, text + kStoredTextChars) << "no terminator";
    return Units(text, end);
}

Bytes Utf16Bytes(const Units& text)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

Bytes Terminated(const Units& text)
{
    return Utf16Bytes(text + u'\0');
}

Units Alphabet(size_t units)
{
    Units text;
    for (size_t i = 0; i < units; ++i)
        text += char16_t(u'a' + i % 26);
    return text;
}

TEST(StoredText, EachReadGivesItsTerminatedText)
{
    const Units text255 = Alphabet(255);
    const Units text256 = Alphabet(256);
    const struct {
        const char* what;
        Bytes bytes;
        size_t size;
        Units text;
    } cases[] = {
        {"nothing read", {}, 0, u""},
        {"a failed read leaves nothing of what the buffer held", Terminated(u"stale"), 0, u""},
        {"a terminated text", Terminated(u"Game"), 10, u"Game"},
        {"a text without a terminator", Utf16Bytes(u"Lv"), 4, u"Lv"},
        {"four bytes of a number", {0x41, 0x00, 0x42, 0x00}, 4, u"AB"},
        {"a last odd byte is a unit of its own", {'a', 0, 'b'}, 3, u"ab"},
        {"one byte", {'x'}, 1, u"x"},
        {"the text ends at the first zero unit", Utf16Bytes(Units(u"a\0b", 3)), 6, u"a"},
        {"a zero high byte is no terminator", {0x00, 0x01, 'b', 0}, 4, u"\u0100b"},
        {"a zero low byte is no terminator", {0x01, 0x00, 0x00, 0x4E}, 4, u"\u0001\u4e00"},
        {"non-ASCII units, little-endian", {0xE9, 0x00, 0x2D, 0x4E}, 4, u"\u00e9\u4e2d"},
        {"a surrogate pair", Terminated(u"\xD83C\xDFAE"), 6, u"\xD83C\xDFAE"},
        {"bytes past the reported size are not read", Terminated(u"abcdef"), 4, u"ab"},
        {"255 units and the terminator, 512 bytes, are read whole", Terminated(text255), 512, text255},
        {"512 bytes without a terminator keep the first 255 units", Utf16Bytes(text256), 512, text255},
        {"511 bytes without a terminator keep the first 255 units", Utf16Bytes(text256), 511, text255},
        {"510 bytes without a terminator are read whole", Utf16Bytes(text256), 510, text255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Take(c.bytes, c.size), c.text) << c.what;
}

TEST(StoredText, NothingBeyondTheLimitIsLookedAt)
{
    // A size beyond the limit (which the registry never reports) still reads
    // no further than 512 bytes; the sanitizers see any read past them.
    const Bytes limit = Utf16Bytes(Alphabet(256));
    ASSERT_EQ(limit.size(), kStoredTextLimitBytes);
    EXPECT_EQ(Take(limit, 4096), Alphabet(255));
}

TEST(StoredText, EveryLengthUpToTheLimitIsTerminated)
{
    const Bytes filled(kStoredTextLimitBytes, 'z');
    for (size_t size = 0; size <= kStoredTextLimitBytes; ++size) {
        Units whole(size / 2, u'\u7a7a');
        if (size % 2 == 1)
            whole += u'z';
        EXPECT_EQ(Take(filled, size), whole.substr(0, kStoredTextChars - 1)) << size << " bytes";
    }
}

} // namespace

// The bytes that travel between the game computer and the XSplit computer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "relay/datagram.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Units = std::u16string;

Bytes Encode(const Units& name)
{
    uint8_t record[kSenderRecordBytes];
    const size_t size = EncodeSceneDatagram(reinterpret_cast<const uint16_t*>(name.c_str()), record);
    return Bytes(record, record + size);
}

// The name a datagram carries, or "<dropped>" when it is not obeyed.
Units Decode(const Bytes& datagram)
{
    uint16_t name[kReceivedNameUnits + 1];
    if (!DecodeSceneDatagram(datagram.data(), datagram.size(), name))
        return u"<dropped>";
    return Units(reinterpret_cast<const char16_t*>(name));
}

Bytes TypeOne(const Bytes& rest)
{
    Bytes d(4 + rest.size());
    d[0] = 1;
    std::copy(rest.begin(), rest.end(), d.begin() + 4);
    return d;
}

TEST(SceneDatagram, AbcIsTwelveExactBytes)
{
    EXPECT_EQ(Encode(u"abc"), (Bytes{0x01, 0, 0, 0, 0x61, 0, 0x62, 0, 0x63, 0, 0, 0}));
}

TEST(SceneDatagram, ANameOfNUnitsTakesTwoNPlusSixBytesEndingInAZeroUnit)
{
    for (size_t n : {0u, 1u, 2u, 64u, 124u, 125u}) {
        const Bytes d = Encode(Units(n, u'x'));
        ASSERT_EQ(d.size(), 2 * n + 6) << n << " units";
        EXPECT_EQ(d[d.size() - 2], 0);
        EXPECT_EQ(d[d.size() - 1], 0);
        EXPECT_EQ(Decode(d), Units(n, u'x'));
    }
}

TEST(SceneDatagram, NamesAreCutAfter125UnitsNotCharacters)
{
    Units name;
    for (int i = 0; i < 200; ++i)
        name += char16_t(u'A' + i % 26);
    const Bytes d = Encode(name);
    ASSERT_EQ(d.size(), 256u);
    EXPECT_EQ(Decode(d), name.substr(0, 125));
    EXPECT_EQ(Encode(name.substr(0, 126)), d);

    // A surrogate pair counts as two units, so the cut can fall between them.
    const Units pairs = Units(124, u'p') + u"\xD83C\xDFAE" + u"tail";
    const Bytes cut = Encode(pairs);
    ASSERT_EQ(cut.size(), 256u);
    EXPECT_EQ(Decode(cut), Units(124, u'p') + u"\xD83C");
    EXPECT_EQ(Decode(Encode(u"\xD83C\xDFAE")), u"\xD83C\xDFAE");
}

TEST(SceneDatagram, NonAsciiTravelsAsUtf16LittleEndian)
{
    EXPECT_EQ(Encode(u"\u00e9\u4e2d"), (Bytes{1, 0, 0, 0, 0xE9, 0x00, 0x2D, 0x4E, 0, 0}));
}

TEST(SceneDatagram, WhatTheReceiverObeysAndWhatItDrops)
{
    const struct {
        const char* what;
        Bytes datagram;
        Units name;
    } cases[] = {
        {"empty", {}, u"<dropped>"},
        {"one byte", {1}, u"<dropped>"},
        {"type only", {1, 0, 0, 0}, u"<dropped>"},
        {"type 0", {0, 0, 0, 0, 'a', 0, 0, 0}, u"<dropped>"},
        {"type 2", {2, 0, 0, 0, 'a', 0, 0, 0}, u"<dropped>"},
        {"big-endian type", {0, 0, 0, 1, 'a', 0, 0, 0}, u"<dropped>"},
        {"type 0x101", {1, 1, 0, 0, 'a', 0, 0, 0}, u"<dropped>"},
        {"five bytes", TypeOne({'a'}), u""},
        {"six bytes, zero unit", TypeOne({0, 0}), u""},
        {"no terminator", TypeOne({'a', 0, 'b', 0}), u"ab"},
        {"odd last byte", TypeOne({'a', 0, 'b'}), u"a"},
        {"stops at the first zero unit", TypeOne({'a', 0, 0, 0, 'b', 0, 0, 0}), u"a"},
        {"zero high byte is no terminator", TypeOne({0, 1, 'b', 0}), u"\u0100b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.datagram), c.name) << c.what;
}

TEST(SceneDatagram, AFullBufferWithoutTerminatorStillGivesATerminatedName)
{
    Bytes d = TypeOne(Bytes(kReceiveBufferBytes - 4, 'z'));
    ASSERT_EQ(d.size(), 1024u);
    const Units name = Decode(d);
    EXPECT_EQ(name.size(), 510u);
    EXPECT_EQ(name, Units(510, u'\u7a7a'));
    d.push_back('z');
    EXPECT_EQ(Decode(d), u"<dropped>") << "an oversized datagram is never acted on in part";
}

} // namespace

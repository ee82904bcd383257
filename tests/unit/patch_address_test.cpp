// Ptr1 values as the patch table's publishers may write them.
#include "patch/patch_address.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(uint32_t value)
{
    constexpr size_t kAddressChars = 11;  // "0x", eight digits, terminator
    char text[kAddressChars];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(value));
    return text;
}

struct AddressCase {
    const char* text;
    uint32_t expected;
};

const AddressCase kAddressCases[] = {
    // The prefix and the letter case make no difference.
    {"0x1A2B3C4D", 0x1A2B3C4D},
    {"0X1A2B3C4D", 0x1A2B3C4D},
    {"0x1a2b3c4d", 0x1A2B3C4D},
    {"1A2B3C4D", 0x1A2B3C4D},
    {"1a2B3c4D", 0x1A2B3C4D},
    {"0", 0},
    {"0x0", 0},
    {"20000000", 0x20000000},
    {"FFFFFFFF", 0xFFFFFFFF},
    {"0xffffffff", 0xFFFFFFFF},
    {"7", 7},
    // Leading zeros are not significant digits.
    {"0000000000000000001234ABCD", 0x1234ABCD},
    {"0x00000000FFFFFFFF", 0xFFFFFFFF},
    // More than 32 bits.
    {"100000000", 0xFFFFFFFF},
    {"0x123456789", 0xFFFFFFFF},
    {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", 0xFFFFFFFF},
    {"-100000000", 0xFFFFFFFF},
    // Digits end at the first character that is not one.
    {"12G4", 0x12},
    {"0x20000000h", 0x20000000},
    {"1A 2B", 0x1A},
    {"0x1A-3", 0x1A},
    {"123456789Z", 0xFFFFFFFF},
    // No digits at all.
    {"", 0},
    {"zz", 0},
    {"0x", 0},
    {"0xg", 0},
    {"x10", 0},
    {"+", 0},
    {"-", 0},
    {" ", 0},
    {"0x0x10", 0},
    {"--1", 0},
    // White space in front, as isspace knows it, then a sign.
    {" 0x10", 0x10},
    {"\t\n\v\f\r 10", 0x10},
    {"+10", 0x10},
    {"+0x10", 0x10},
    {"-1", 0xFFFFFFFF},
    {"-0x10", 0xFFFFFFF0},
    {"-FFFFFFFF", 0x00000001},
    {"-0", 0},
    {" -20000000", 0xE0000000},
    // A sign after the white space only; white space after a sign ends it.
    {"- 1", 0},
    {"+ 1", 0},
    // Characters that look like digits elsewhere are not digits here.
    {"\xEF\xBC\x91", 0},
    {"1\xC2\xA0" "2", 1},
};

TEST(PatchAddress, ReadsPtr1AsStrtoulBase16On32Bits)
{
    for (const AddressCase& c : kAddressCases) {
        const uint32_t got = ParsePatchAddress(c.text);
        EXPECT_EQ(got, c.expected) << "Ptr1 " << testing::PrintToString(std::string(c.text)) << ": expected "
                                   << Hex(c.expected) << ", got " << Hex(got);
    }
}

} // namespace

// Ptr1 is read as strtoul with base 16 reads it on Windows, where unsigned
// long has 32 bits. strtoul itself is not called: elsewhere unsigned long is
// 64 bits wide, and an overflow would give another value there.
#include "patch/patch_address.h"

namespace {

constexpr uint64_t kLargestAddress = 0xFFFFFFFFu;

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The digit's value, or -1 for a character that is not a hexadecimal digit.
int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

uint32_t ParsePatchAddress(const char* text)
{
    const char* at = text;
    while (IsCSpace(*at))
        ++at;
    bool negative = false;
    if (*at == '+' || *at == '-') {
        negative = *at == '-';
        ++at;
    }
    // "0x" counts as a prefix only when a digit follows; otherwise its "0"
    // is the number, as strtoul has it.
    if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X') && HexDigitValue(at[2]) >= 0)
        at += 2;
    uint64_t value = 0;
    for (int digit; (digit = HexDigitValue(*at)) >= 0; ++at) {
        value = value * 16 + uint64_t(digit);
        if (value > kLargestAddress)
            return uint32_t(kLargestAddress);
    }
    const uint32_t magnitude = uint32_t(value);
    return negative ? uint32_t(0u - magnitude) : magnitude;
}

// The registry returns exactly the bytes it holds and adds no terminator, so
// a value written by hand (another type, an odd length, no terminator)
// reaches the program as it is; this is where it becomes a terminated text.
#include "settings/stored_text.h"

void TakeStoredText(const uint8_t* bytes, size_t size, char16_t (&text)[kStoredTextChars])
{
    if (size > kStoredTextLimitBytes)
        size = kStoredTextLimitBytes;
    for (size_t unit = 0; unit < kStoredTextChars; ++unit) {
        const size_t low = 2 * unit;
        const unsigned lowByte = low < size ? bytes[low] : 0u;
        const unsigned highByte = low + 1 < size ? bytes[low + 1] : 0u;
        text[unit] = char16_t(lowByte | highByte << 8);
    }
    text[kStoredTextChars - 1] = u'\0';
}

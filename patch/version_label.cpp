// Versions come from the web and nothing bounds their length, while a list
// item holds 127 units. MultiByteToWideChar either converts a text whole or
// fails, so a long one is converted again from a shorter start.
#include "patch/version_label.h"

#include <cstring>

namespace {

// No UTF-8 sequence, valid or not, gives less than one UTF-16 unit per four
// bytes, so a text that fits the label is never longer than this.
constexpr int kLongestFittingBytes = 4 * (kVersionLabelChars - 1);

bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

int ConvertedUnits(const char* text, int bytes)
{
    return MultiByteToWideChar(CP_UTF8, 0, text, bytes, nullptr, 0);
}

void ConvertCutVersion(const char* version, wchar_t (&label)[kVersionLabelChars])
{
    const int lastUnit = kVersionLabelChars - 1;
    int bytes = int(strnlen(version, kLongestFittingBytes));
    // Cut only in front of the first byte of a character: a four-byte
    // character then gives both halves of its pair or neither.
    while (bytes > 0 && (IsContinuationByte(version[bytes]) || ConvertedUnits(version, bytes) > lastUnit))
        --bytes;
    const int units = bytes > 0 ? MultiByteToWideChar(CP_UTF8, 0, version, bytes, label, lastUnit) : 0;
    label[units] = L'\0';
}

} // namespace

void ConvertVersionLabel(const char* version, wchar_t (&label)[kVersionLabelChars])
{
    if (MultiByteToWideChar(CP_UTF8, 0, version, -1, label, kVersionLabelChars) > 0) {
        label[kVersionLabelChars - 1] = L'\0';
        return;
    }
    ConvertCutVersion(version, label);
}

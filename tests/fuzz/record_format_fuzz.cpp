// Any format the registry could hold, through the record's formatter: the
// value is the streamer's or anyone's who edits the registry. Besides the
// sanitizers' reports it checks that the text stays within its bound and
// is terminated, and that the same format gives the same text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "record/record_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < sizeof(RecordCounts))
        return 0;
    RecordCounts counts;
    std::memcpy(&counts, data, sizeof counts);
    const size_t units = (size - sizeof counts) / sizeof(char16_t);
    // Terminated, and exactly as long as the format, so that a read past
    // its end is seen.
    std::unique_ptr<char16_t[]> format(new char16_t[units + 1]);
    std::memcpy(format.get(), data + sizeof counts, units * sizeof(char16_t));
    format[units] = u'\0';
    char16_t out[kRecordTextChars];
    const size_t length = FormatRecord(format.get(), counts, out);
    if (length >= kRecordTextChars || out[length] != u'\0')
        std::abort();
    char16_t again[kRecordTextChars];
    if (FormatRecord(format.get(), counts, again) != length || std::memcmp(out, again, length * sizeof(char16_t)) != 0)
        std::abort();
    return 0;
}

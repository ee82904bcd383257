#include "record/record_publishing.h"

#include <cwchar>

#include "record/record_file.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");

namespace {

struct ErrorText {
    DWORD error;
    const wchar_t* format;
};

const ErrorText kErrorTexts[] = {
    {ERROR_PATH_NOT_FOUND, L"Error: The record's folder does not exist: '%s'."},
    {ERROR_FILE_NOT_FOUND, L"Error: The record's folder does not exist: '%s'."},
    {ERROR_ACCESS_DENIED, L"Error: The record's file is read-only or not yours to write: '%s'."},
    {ERROR_WRITE_PROTECT, L"Error: The record's file is read-only or not yours to write: '%s'."},
    {ERROR_SHARING_VIOLATION, L"Error: Another program holds the record's file: '%s'."},
    {ERROR_INVALID_NAME, L"Error: The record's file name is not a file's: '%s'."},
    {ERROR_BAD_PATHNAME, L"Error: The record's file name is not a file's: '%s'."},
    {ERROR_DIRECTORY, L"Error: The record's file name is not a file's: '%s'."},
    {ERROR_FILENAME_EXCED_RANGE, L"Error: The record's file name is too long: '%s'."},
    {ERROR_DISK_FULL, L"Error: The disk is full; the record cannot be written: '%s'."},
};

} // namespace

const wchar_t* RecordFileErrorFormat(DWORD error)
{
    for (const ErrorText& text : kErrorTexts) {
        if (text.error == error)
            return text.format;
    }
    return L"Error: The record cannot be written to '%s'.";
}

size_t FormatRecordUtf8(const RecordPlaces& places, const RecordCounts& counts, char (&bytes)[kRecordTextBytes])
{
    const char16_t* format =
        places.format[0] != L'\0' ? reinterpret_cast<const char16_t*>(places.format) : kDefaultRecordFormat;
    char16_t text[kRecordTextChars];
    FormatRecord(format, counts, text);
    // Every UTF-16 unit takes at most three bytes, so the whole text fits.
    const int written = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text), -1, bytes,
                                            int(sizeof bytes), nullptr, nullptr);
    if (written <= 0) {
        bytes[0] = '\0';
        return 0;
    }
    return size_t(written - 1);
}

bool PublishRecordFile(const RecordPlaces& places, const RecordCounts& counts, RecordFailure failure,
                       SaidRecordFailure* said, wchar_t (&status)[kStatusChars])
{
    if (places.file[0] == L'\0')
        return false;
    char bytes[kRecordTextBytes];
    const size_t size = FormatRecordUtf8(places, counts, bytes);
    const DWORD error = WriteRecordFile(places.file, bytes, size);
    // The same failure of the same path is said once, not at every game; a
    // success makes the next failure worth saying.
    const bool sayIt = error != ERROR_SUCCESS && failure == RecordFailure::Said &&
                       (error != said->error || std::wcscmp(said->path, places.file) != 0);
    if (error == ERROR_SUCCESS || sayIt) {
        said->error = error;
        std::wmemcpy(said->path, places.file, kRecordFileChars);
    }
    if (sayIt)
        FormatStatus(status, RecordFileErrorFormat(error), places.file);
    return sayIt;
}

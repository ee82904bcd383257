#include "record/record_publishing.h"

#include <cwchar>

#include "record/record_file.h"
#include "record/session_record.h"
#include "app/status_line.h"

namespace {

// Taken by whichever thread writes: the worker after a game, the UI thread
// after an edit. It also guards what was said of the last failure.
SRWLOCK g_writing = SRWLOCK_INIT;
DWORD g_saidError = ERROR_SUCCESS;             // under g_writing
wchar_t g_saidPath[kRecordFileChars];          // under g_writing

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

void WriteRecordFileNow(RecordFailure failure)
{
    RecordPlaces places;
    CopyRecord(nullptr, &places);
    if (places.file[0] == L'\0')
        return;
    char bytes[kRecordTextBytes];
    const size_t size = FormatSessionRecordUtf8(bytes);
    AcquireSRWLockExclusive(&g_writing);
    const DWORD error = WriteRecordFile(places.file, bytes, size);
    // The same failure of the same path is said once, not at every game; a
    // success makes the next failure worth saying.
    const bool sayIt = error != ERROR_SUCCESS && failure == RecordFailure::Said &&
                       (error != g_saidError || std::wcscmp(g_saidPath, places.file) != 0);
    if (error == ERROR_SUCCESS || sayIt) {
        g_saidError = error;
        std::wmemcpy(g_saidPath, places.file, kRecordFileChars);
    }
    ReleaseSRWLockExclusive(&g_writing);
    if (!sayIt)
        return;
    wchar_t status[kStatusChars];
    FormatStatus(status, RecordFileErrorFormat(error), places.file);
    SetStatusLine(status);
}

// The record put where it shows: its file, written whole at Start, after
// each game counted and after each change by hand. The owner
// (record/session_record.h) calls this under its lock, so the file is
// written in the order the record changed. A file that cannot be written is
// said once in the status line, in words a streamer understands; watching
// goes on.
#pragma once
#include <windows.h>

#include "status/status_line.h"
#include "record/record_format.h"

// Where the record shows: a file's path, the text's format and an OBS text
// source's name, each as typed (254) or read back (255), plus terminator.
constexpr int kRecordFileChars = 256;
constexpr int kRecordSourceChars = 256;
static_assert(kRecordFormatChars == 256, "a format is bounded like the other texts");

struct RecordPlaces {
    wchar_t file[kRecordFileChars];
    wchar_t format[kRecordFormatChars];
    wchar_t obsSource[kRecordSourceChars];
};

// A failure is said in the status line when it is not the one said last
// (unless told to be quiet: the next write then says it).
enum class RecordFailure { Said, Quiet };

// What was said of the last file that could not be written.
struct SaidRecordFailure {
    DWORD error;
    wchar_t path[kRecordFileChars];
};

// The record as the format makes it, in UTF-8 (as files and OBS take it).
constexpr size_t kRecordTextBytes = kRecordTextChars * 3;
size_t FormatRecordUtf8(const RecordPlaces& places, const RecordCounts& counts, char (&bytes)[kRecordTextBytes]);

// Writes the file of `places`, if one is set. True when `status` holds a
// failure to say; `said` is updated to what will have been said.
bool PublishRecordFile(const RecordPlaces& places, const RecordCounts& counts, RecordFailure failure,
                       SaidRecordFailure* said, wchar_t (&status)[kStatusChars]);

// The status text for a file that cannot be written, with the path in
// place of %s.
const wchar_t* RecordFileErrorFormat(DWORD error);

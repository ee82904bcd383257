// The record put where it shows: its file, written whole at Start, after
// each game counted and after each change by hand, from whichever thread
// made the change. A file that cannot be written is said once in the status
// line, in words a streamer understands; watching goes on.
#pragma once
#include <windows.h>

// Any thread: writes the record file (if one is set) as the record stands.
// A failure is said in the status line when it is not the one said last
// (unless told to be quiet: the next write then says it).
enum class RecordFailure { Said, Quiet };
void WriteRecordFileNow(RecordFailure failure = RecordFailure::Said);

// The status text for a file that cannot be written, with the path in
// place of %s.
const wchar_t* RecordFileErrorFormat(DWORD error);

// The session's record: the games counted, where it shows, and the one
// place that changes it, for the worker (a game counted) and the Record
// dialog (numbers set by hand) alike. Every access holds AppState's
// RecordLock, and every change of the numbers is stored at once: a crash
// in the middle of a stream loses none of them.
#pragma once
#include <windows.h>

#include "app/app_state.h"
#include "record/record_format.h"

// Where the record shows; a copy taken under the lock.
struct RecordPlaces {
    wchar_t file[kRecordFileChars];
    wchar_t format[kRecordFormatChars];
    wchar_t obsSource[kRecordSourceChars];
};

// The record is kept only while it shows somewhere: a file or an OBS text
// source is set. Otherwise no game is counted and nothing is stored.
bool IsRecordKept();

void CopyRecord(RecordCounts* counts, RecordPlaces* places);

enum class GameOutcome { Victory, Defeat, Tie };

// Worker: one more game. `versus` is the opponent's race in a game of one
// against one, kRecordRaceCount otherwise (a team game, an unknown race).
void CountGame(GameOutcome outcome, RecordRace versus);

// Record dialog: the numbers and places as the user left them.
void ReplaceRecord(const RecordCounts& counts, const RecordPlaces& places);

// The record as the format makes it, and in UTF-8 (as files and OBS take
// it); `bytes` holds at most kRecordTextBytes.
constexpr size_t kRecordTextBytes = kRecordTextChars * 3;
void FormatSessionRecord(wchar_t (&text)[kRecordTextChars]);
size_t FormatSessionRecordUtf8(char (&bytes)[kRecordTextBytes]);

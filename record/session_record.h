// The session's record: the games counted, where it shows, and the one
// owner of both. Whoever changes it (the worker counting a game, the Record
// dialog's edits by hand and Reset, the settings at start) calls a verb
// here; each is one step under the owner's lock, in which the numbers
// change, are stored in the registry (a crash in the middle of a stream
// loses none of them) and written to the record's file, so what is stored
// and shown is never older than what is counted. Everyone else reads a
// snapshot.
#pragma once
#include <windows.h>

#include "record/record_format.h"
#include "record/record_publishing.h"

// The record as it stood at one moment, and the number of the change that
// made it so: whoever shows it elsewhere (OBS's text source) shows it again
// when the number moves on.
struct RecordSnapshot {
    RecordCounts counts;
    RecordPlaces places;
    unsigned change;
};
void TakeRecordSnapshot(RecordSnapshot* snapshot);

// The record is kept only while it shows somewhere: a file or an OBS text
// source is set, or the overlay page is served. Otherwise no game is
// counted and nothing is stored.
bool IsRecordKept();
// Whether these places show it (the overlay aside).
bool IsRecordKept(const RecordPlaces& places);

enum class GameOutcome { Victory, Defeat, Tie };

// Worker: one more game. `versus` is the opponent's race in a game of one
// against one, kRecordRaceCount otherwise (a team game, an unknown race).
void CountGame(GameOutcome outcome, RecordRace versus);

// Record dialog, at OK: the places as the user left them, and of the
// numbers only those the user changed, so a game counted while the dialog
// was open stays counted. With `reset` every number is 0 first.
struct RecordEdit {
    bool reset;
    bool edited[kRecordNumberCount];
    uint32_t numbers[kRecordNumberCount];
    RecordPlaces places;
};
void EditRecordByHand(const RecordEdit& edit);

// Settings, as the window is created: the record as stored (nothing is
// stored or written back).
void TakeStoredRecord(const RecordCounts& counts, const RecordPlaces& places);

// Any thread: writes the record file (if one is set) as the record stands.
void WriteRecordFileNow(RecordFailure failure = RecordFailure::Said);

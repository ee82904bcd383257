#include "record/session_record.h"

#include "app/bounded_text.h"
#include "overlay/match_state.h"
#include "settings/settings.h"

namespace {

// The record and what was said of its file, taken exclusive by each change
// and shared by each snapshot. A change stores and writes before it lets
// go, so two changes are stored and written in the order they were made;
// the status line is told after, as the UI thread may be waiting here.
SRWLOCK g_lock = SRWLOCK_INIT;
RecordCounts g_counts;         // under g_lock
RecordPlaces g_places;         // under g_lock
unsigned g_change;             // under g_lock
SaidRecordFailure g_said;      // under g_lock

// Under g_lock, exclusive: the change numbered, stored and written.
bool StoreAndWrite(wchar_t (&status)[kStatusChars])
{
    ++g_change;
    StoreRecordCountsNow(g_counts);
    return PublishRecordFile(g_places, g_counts, RecordFailure::Said, &g_said, status);
}

void Say(bool sayIt, const wchar_t* status)
{
    if (sayIt)
        SetStatusLine(status);
}

} // namespace

void TakeRecordSnapshot(RecordSnapshot* snapshot)
{
    AcquireSRWLockShared(&g_lock);
    snapshot->counts = g_counts;
    snapshot->places = g_places;
    snapshot->change = g_change;
    ReleaseSRWLockShared(&g_lock);
}

bool IsRecordKept(const RecordPlaces& places)
{
    return places.file[0] != L'\0' || places.obsSource[0] != L'\0';
}

bool IsRecordKept()
{
    AcquireSRWLockShared(&g_lock);
    const bool kept = IsRecordKept(g_places);
    ReleaseSRWLockShared(&g_lock);
    return kept || IsMatchWatched();
}

void CountGame(GameOutcome outcome, RecordRace versus)
{
    wchar_t status[kStatusChars];
    AcquireSRWLockExclusive(&g_lock);
    const bool oneOnOne = versus < kRecordRaceCount;
    switch (outcome) {
    case GameOutcome::Victory:
        ++g_counts.wins;
        if (oneOnOne)
            ++g_counts.raceWins[versus];
        break;
    case GameOutcome::Defeat:
        ++g_counts.losses;
        if (oneOnOne)
            ++g_counts.raceLosses[versus];
        break;
    case GameOutcome::Tie:
        ++g_counts.ties;
        break;
    }
    const bool sayIt = StoreAndWrite(status);
    ReleaseSRWLockExclusive(&g_lock);
    Say(sayIt, status);
}

void EditRecordByHand(const RecordEdit& edit)
{
    wchar_t status[kStatusChars];
    AcquireSRWLockExclusive(&g_lock);
    if (edit.reset)
        g_counts = RecordCounts{};
    for (int i = 0; i < kRecordNumberCount; ++i) {
        if (edit.edited[i])
            RecordNumberOf(g_counts, RecordNumber(i)) = edit.numbers[i];
    }
    CopyCut(g_places.file, edit.places.file);
    CopyCut(g_places.format, edit.places.format);
    CopyCut(g_places.obsSource, edit.places.obsSource);
    const bool sayIt = StoreAndWrite(status);
    ReleaseSRWLockExclusive(&g_lock);
    // The last games go with the numbers, after them: the match's owner
    // takes the record's lock in its own turn, never inside its own.
    if (edit.reset)
        ClearLastGames();
    Say(sayIt, status);
}

void TakeStoredRecord(const RecordCounts& counts, const RecordPlaces& places)
{
    AcquireSRWLockExclusive(&g_lock);
    g_counts = counts;
    CopyCut(g_places.file, places.file);
    CopyCut(g_places.format, places.format);
    CopyCut(g_places.obsSource, places.obsSource);
    ++g_change;
    ReleaseSRWLockExclusive(&g_lock);
}

void WriteRecordFileNow(RecordFailure failure)
{
    wchar_t status[kStatusChars];
    AcquireSRWLockExclusive(&g_lock);
    const bool sayIt = PublishRecordFile(g_places, g_counts, failure, &g_said, status);
    ReleaseSRWLockExclusive(&g_lock);
    Say(sayIt, status);
}

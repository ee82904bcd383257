#include "record/session_record.h"

#include "app/bounded_text.h"
#include "app/settings.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");

namespace {

// The format as it stands, or the default when none is stored.
const char16_t* FormatOf(const wchar_t* format)
{
    return format[0] != L'\0' ? reinterpret_cast<const char16_t*>(format) : kDefaultRecordFormat;
}

} // namespace

bool IsRecordKept()
{
    AcquireSRWLockShared(&g_app.RecordLock);
    const bool kept = g_app.RecordFile[0] != L'\0' || g_app.ObsRecordSource[0] != L'\0';
    ReleaseSRWLockShared(&g_app.RecordLock);
    return kept;
}

void CopyRecord(RecordCounts* counts, RecordPlaces* places)
{
    AcquireSRWLockShared(&g_app.RecordLock);
    if (counts != nullptr)
        *counts = g_app.Record;
    if (places != nullptr) {
        CopyCut(places->file, g_app.RecordFile);
        CopyCut(places->format, g_app.RecordFormat);
        CopyCut(places->obsSource, g_app.ObsRecordSource);
    }
    ReleaseSRWLockShared(&g_app.RecordLock);
}

void CountGame(GameOutcome outcome, RecordRace versus)
{
    AcquireSRWLockExclusive(&g_app.RecordLock);
    RecordCounts& record = g_app.Record;
    const bool oneOnOne = versus < kRecordRaceCount;
    switch (outcome) {
    case GameOutcome::Victory:
        ++record.wins;
        if (oneOnOne)
            ++record.raceWins[versus];
        break;
    case GameOutcome::Defeat:
        ++record.losses;
        if (oneOnOne)
            ++record.raceLosses[versus];
        break;
    case GameOutcome::Tie:
        ++record.ties;
        break;
    }
    const RecordCounts counts = record;
    ReleaseSRWLockExclusive(&g_app.RecordLock);
    StoreRecordCountsNow(counts);
}

void ReplaceRecord(const RecordCounts& counts, const RecordPlaces& places)
{
    AcquireSRWLockExclusive(&g_app.RecordLock);
    g_app.Record = counts;
    CopyCut(g_app.RecordFile, places.file);
    CopyCut(g_app.RecordFormat, places.format);
    CopyCut(g_app.ObsRecordSource, places.obsSource);
    ReleaseSRWLockExclusive(&g_app.RecordLock);
    StoreRecordCountsNow(counts);
    ++g_app.RecordEdits;
}

void FormatSessionRecord(wchar_t (&text)[kRecordTextChars])
{
    RecordCounts counts;
    RecordPlaces places;
    CopyRecord(&counts, &places);
    char16_t formatted[kRecordTextChars];
    const size_t length = FormatRecord(FormatOf(places.format), counts, formatted);
    for (size_t i = 0; i <= length; ++i)
        text[i] = wchar_t(formatted[i]);
}

size_t FormatSessionRecordUtf8(char (&bytes)[kRecordTextBytes])
{
    wchar_t text[kRecordTextChars];
    FormatSessionRecord(text);
    // Every UTF-16 unit takes at most three bytes, so the whole text fits.
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, int(sizeof bytes), nullptr, nullptr);
    if (written <= 0) {
        bytes[0] = '\0';
        return 0;
    }
    return size_t(written - 1);
}

#include "record/record_keeper.h"

#include <string>

#include "app/app_state.h"
#include "status/status_line.h"

namespace {

// What OBS was last given, by connection and by change of the record
// (worker only): a source OBS does not have is said once a connection.
unsigned g_obsConnectionShown = 0;
unsigned g_changeShown = 0;
bool g_obsShownOnce = false;
unsigned g_missingSaidOnConnection = 0;

void ShowRecordOnObs(WorkerRun* run, const RecordSnapshot& record)
{
    g_obsConnectionShown = run->obsConnectionsMade;
    g_changeShown = record.change;
    g_obsShownOnce = true;
    if (record.places.obsSource[0] == L'\0' || !run->settings.obs || IsObsLost(&run->obs))
        return;
    char bytes[kRecordTextBytes];
    const size_t size = FormatRecordUtf8(record.places, record.counts, bytes);
    // Switching goes on whatever OBS makes of it: a lost connection is
    // found out and made again by the watch loop, and shown then.
    if (SetObsText(&run->obs, record.places.obsSource, std::string(bytes, size)) != ObsTextResult::NoSuchInput ||
        g_missingSaidOnConnection == run->obsConnectionsMade)
        return;
    g_missingSaidOnConnection = run->obsConnectionsMade;
    wchar_t status[kStatusChars];
    FormatStatus(status, L"Error: OBS has no text source '%s'.", record.places.obsSource);
    SetStatusLine(status);
}

} // namespace

void KeepRecord(WorkerRun* run, const RecordEvent& event)
{
    switch (event.news) {
    case RecordNews::None:
        return;
    case RecordNews::Counted:
        CountGame(event.outcome, event.versus);
        if (run->settings.obs) {
            RecordSnapshot record;
            TakeRecordSnapshot(&record);
            ShowRecordOnObs(run, record);
        }
        return;
    case RecordNews::Unreadable:
        SetStatusLine(L"Error: The last game's result could not be read; it is not counted.");
        return;
    case RecordNews::NamesNeeded:
        SetStatusLine(L"The last game is not counted: type your names in the game in Scenes...");
        return;
    case RecordNews::NamesShared:
        SetStatusLine(L"The last game is not counted: more than one player has one of your names.");
        return;
    }
}

void ShowRecordOnObsWhenDue(WorkerRun* run)
{
    if (!run->settings.obs)
        return;
    RecordSnapshot record;
    TakeRecordSnapshot(&record);
    if (!IsRecordKept(record.places))
        return;
    if (g_obsShownOnce && g_obsConnectionShown == run->obsConnectionsMade && g_changeShown == record.change)
        return;
    ShowRecordOnObs(run, record);
}

// The watch worker: finds the game and XSplit (or connects to OBS), then
// samples the game's state every 100 ms, follows the foreground window as
// Windows reports its changes (and at every sample), and turns changes
// into scene switches. On the XSplit side of a network pair it runs
// the relay receiver.
#include <winsock2.h>

#include "watch/watch.h"

#include "app/app_state.h"
#include "settings/scene_fields.h"
#include "status/status_line.h"
#include "relay/relay.h"
#include "watch/broadcaster.h"
#include "watch/client_api_watch.h"
#include "watch/foreground_events.h"
#include "watch/paused_requests.h"
#include "record/record_keeper.h"
#include "events/game_news.h"

#include <cwchar>

namespace {

constexpr DWORD kSamplePeriodMs = 100;
constexpr DWORD kExitStopped = 1;
constexpr DWORD kExitReceiverReturned = 0;

// "host:port" of the game's client API, for the status line.
constexpr int kGameApiPlaceChars = kGameApiHostChars + 16;

struct GameTarget {
    HWND window;      // null when the game runs on another computer
    DWORD processId;
};

// Where this run of the worker reads the game's state: one flag byte in the
// game's memory, or the game's client API, on this computer or another,
// over a link kept for the run.
struct StateSource {
    const RunSettings* settings;
    bool clientApi;
    bool remote;  // the client API of another computer
    ClientApiWatch api;
};

// What one sample tells: the game gone, nothing new, or its situation;
// and whether a game is to be counted in the record.
enum class ReadingKind { Lost, Unanswered, Answered };
struct GameReading {
    ReadingKind kind;
    Situation situation;
    RecordEvent record;
    bool gameStarted;  // the game events of the sample, of the watch's newsGame
    bool gameEnded;
};

GameReading SampleGame(StateSource* source, const GameTarget& game)
{
    constexpr RecordEvent kNoNews = {RecordNews::None, GameOutcome::Tie, kRecordRaceCount};
    if (!source->clientApi) {
        switch (ProbeGameState(game.processId)) {
        case GameState::InGame:    return {ReadingKind::Answered, Situation::Playing, kNoNews, false, false};
        case GameState::NotInGame: return {ReadingKind::Answered, Situation::Menus, kNoNews, false, false};
        default:                   return {ReadingKind::Lost, Situation::None, kNoNews, false, false};
        }
    }
    // One answer that is slow or unreadable is no news; only a game that
    // has stopped answering altogether is gone.
    const SituationSample sample = SampleClientApi(&source->api);
    if (sample.answered)
        return {ReadingKind::Answered, sample.situation, sample.record, sample.gameStarted, sample.gameEnded};
    return {HasClientApiFallenSilent(source->api) ? ReadingKind::Lost : ReadingKind::Unanswered, Situation::None,
            sample.record, false, sample.gameEnded};
}

bool IsStopRequested()
{
    return WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0;
}

// One sampling period's pause, cut short by Stop so that Stop never waits out a sleep.
bool PauseUnlessStopped()
{
    return WaitForSingleObject(g_app.StopEvent, kSamplePeriodMs) == WAIT_OBJECT_0;
}

// An address emptied in the registry by hand means this computer, as an
// empty field in Options does.
const wchar_t* GameApiHostToAsk(const RunSettings& settings)
{
    return settings.gameApiHost[0] != L'\0' ? settings.gameApiHost : L"127.0.0.1";
}

// Where the client API is asked, for the status line: "host:port".
void DescribeGameApi(const RunSettings& settings, wchar_t (&where)[kGameApiPlaceChars])
{
    const wchar_t* host = GameApiHostToAsk(settings);
    // An IPv6 address goes in brackets beside its port, once: one typed in
    // them is shown as typed.
    const bool bare6 = std::wcschr(host, L':') != nullptr && host[0] != L'[';
    const wchar_t* format = bare6 ? L"[%ls]:%lu" : L"%ls:%lu";
    std::swprintf(where, kGameApiPlaceChars, format, host, static_cast<unsigned long>(settings.gameApiPort));
    where[kGameApiPlaceChars - 1] = L'\0';
}

void ShowGameApiStatus(const RunSettings& settings, const wchar_t* format)
{
    wchar_t where[kGameApiPlaceChars];
    DescribeGameApi(settings, where);
    wchar_t status[kStatusChars];
    FormatStatus(status, format, where);
    SetStatusLine(status);
}

enum class ApiWait { Answered, Stopped, WindowGone };

// Asks the client API until it answers. The game's window may be there
// long before its API answers, or the game may run on another computer
// whose API is not open to the network: the status line says which.
ApiWait WaitForClientApi(StateSource* source, const GameTarget& game)
{
    for (bool told = false;; told = true) {
        if (AskClientApiScreens(&source->api.link, GetTickCount64() + kClientApiScreensBudgetMs) !=
            ClientApiScreens::Unreadable)
            return ApiWait::Answered;
        if (!told)
            ShowGameApiStatus(*source->settings, source->remote ? L"No answer from the game at '%s'. Started with -clientapi?"
                                             : L"StarCraft II does not answer at '%s' yet. Waiting...");
        if (PauseUnlessStopped())
            return ApiWait::Stopped;
        if (!source->remote && !IsWindow(game.window))
            return ApiWait::WindowGone;
    }
}

// False when Stop was requested before the game was found.
bool FindGameWindow(GameTarget* game)
{
    SetStatusLine(L"Finding StarCraft II window...");
    for (;;) {
        game->window = FindWindowW(L"StarCraft II", nullptr);
        if (PauseUnlessStopped())
            return false;
        if (game->window != nullptr)
            break;
    }
    game->processId = 0;
    GetWindowThreadProcessId(game->window, &game->processId);
    return true;
}

// False when Stop was requested before the game was found: its window on
// this computer, and with the client API also an answer from it.
bool LocateGame(StateSource* source, GameTarget* game)
{
    *game = GameTarget{nullptr, 0};
    if (source->clientApi && source->remote)
        return WaitForClientApi(source, *game) == ApiWait::Answered;
    for (;;) {
        if (!FindGameWindow(game))
            return false;
        if (!source->clientApi)
            return true;
        switch (WaitForClientApi(source, *game)) {
        case ApiWait::Answered:   return true;
        case ApiWait::Stopped:    return false;
        case ApiWait::WindowGone: break;
        }
    }
}

bool IsGameOrBroadcasterLost(WorkerRun* run, const StateSource& source, const GameTarget& game, ReadingKind reading)
{
    return reading == ReadingKind::Lost || (!source.remote && !IsWindow(game.window)) ||
           (!run->settings.networkMode && IsBroadcasterLost(run));
}

// The situation last read, and the slot it switched to (or would have,
// with the game in front): an event is a change of that slot.
struct Watched {
    Situation situation;
    SceneSlot slot;
    bool hasSlot;
};

// Tab in and tab out: either the situation's scene again or the tab scenes.
// cppcheck-suppress constParameter ; HWND is an opaque handle, its target is not ours to qualify
void ApplyFocusChange(WorkerRun* run, HWND foreground, const GameTarget& game, const Watched& watched,
                      bool* gameFocused)
{
    const bool applyOnTab = CopyTabOptions().applyOnTab;
    if (foreground != game.window && !*gameFocused)
        return;
    const bool tabIn = foreground == game.window;
    if (!applyOnTab)
        SwitchToSlot(run, tabIn ? SceneSlot::TabInScene : SceneSlot::TabOutScene);
    else if (watched.hasSlot)
        SwitchToSlot(run, watched.slot);
    *gameFocused = tabIn;
}

// A new situation switches when its slot differs from the last one's; the
// slot counts as taken whether or not it was applied, so a game that starts
// while tabbed out is left to the tab-in scene.
void FollowSituation(WorkerRun* run, Situation current, bool apply, Watched* watched)
{
    if (current == watched->situation)
        return;
    SceneSlot slot;
    if (!SlotForSituation(current, &slot))
        return;
    if (apply && (!watched->hasSlot || slot != watched->slot))
        SwitchToSlot(run, slot);
    *watched = Watched{current, slot, true};
}

// Where no event tells of foreground changes, how often the foreground is
// looked at between samples: alt+tab is then answered within a frame at
// 60 fps all the same.
constexpr DWORD kForegroundLookMs = 8;

// What the worker knows of the foreground between two samples.
struct FocusWatch {
    HWND lastForeground;
    bool gameFocused;
    bool untold;  // a change came that no event told of: look between samples
};

// True when the foreground had changed.
bool FollowForeground(WorkerRun* run, const GameTarget& game, const Watched& watched, FocusWatch* focus)
{
    HWND foreground = GetForegroundWindow();
    if (foreground == focus->lastForeground)
        return false;
    ApplyFocusChange(run, foreground, game, watched, &focus->gameFocused);
    focus->lastForeground = foreground;
    return true;
}

// The rest of a sampling period: alt+tab is followed the moment Windows
// tells of it, a resume of switching puts the wanted scene back at once.
// False when Stop was requested.
bool WaitOutPeriod(WorkerRun* run, const GameTarget& game, const StateSource& source, const Watched& watched,
                   FocusWatch* focus)
{
    const ULONGLONG deadline = GetTickCount64() + kSamplePeriodMs;
    for (;;) {
        switch (WaitForWorkerWake(deadline, focus->untold && !source.remote ? kForegroundLookMs : 0)) {
        case WorkerWake::Stopped:
            return false;
        case WorkerWake::PeriodOver:
            return true;
        case WorkerWake::ForegroundChanged:
        case WorkerWake::ForegroundDue:
            if (!source.remote)
                FollowForeground(run, game, watched, focus);
            break;
        case WorkerWake::Resumed: {
            wchar_t wanted[kSceneNameChars];
            if (TakeSceneWantedOnResume(wanted))
                RequestScene(run, wanted);
            break;
        }
        }
    }
}

// Samples until the game or the broadcaster is lost (true) or Stop is requested (false).
bool WatchGame(WorkerRun* run, const GameTarget& game, StateSource* source)
{
    Watched watched = {Situation::None, SceneSlot::LeaveGameScene, false};
    bool recordFileWritten = false;
    // The game on another computer has no window here: alt+tab on this
    // computer says nothing about it, and its changes apply whatever is in front.
    FocusWatch focus = {source->remote ? nullptr : GetForegroundWindow(), false, false};
    focus.gameFocused = !source->remote && focus.lastForeground == game.window;
    if (source->clientApi)
        BeginClientApiWatch(&source->api);
    if (source->remote)
        ShowGameApiStatus(run->settings, L"Running. Watching the game at '%s'.");
    else
        SetStatusLine(L"Running. Waiting for events...");
    ForegroundEvents events = {};
    if (!source->remote)
        BeginForegroundEvents(&events);
    bool lost = false;
    for (;;) {
        const bool applyWhenTabbedOut = CopyTabOptions().applyWhenTabbed;
        if (IsStopRequested())
            break;
        const GameReading reading = SampleGame(source, game);
        if (IsGameOrBroadcasterLost(run, *source, game, reading.kind)) {
            lost = true;
            break;
        }
        // A foreground change the events missed is seen here, before the
        // game's: it came before this sample's answer. From then on the
        // foreground is looked at between samples too.
        if (!source->remote) {
            const bool told = TakeForegroundNews();
            if (FollowForeground(run, game, watched, &focus) && !told)
                focus.untold = true;
        }
        // The focus test uses the foreground of the last focus check, so a
        // game that starts while tabbed out is left to the tab-in scene.
        if (reading.kind == ReadingKind::Answered)
            FollowSituation(run, reading.situation,
                            source->remote || focus.lastForeground == game.window || applyWhenTabbedOut, &watched);
        // A click that held the worker past Stop ends here: a worker left
        // to end on its own counts nothing.
        if (IsStopRequested())
            break;
        // The record is the client API's. After the first event of a watch
        // phase a file that cannot be written is said, and stays up until
        // the next event.
        if (source->clientApi) {
            if (!recordFileWritten && watched.hasSlot) {
                WriteRecordFileNow();
                recordFileWritten = true;
            }
            KeepRecord(run, reading.record);
            ShowRecordOnObsWhenDue(run);
            // After the record has counted the game, so its end tells the new record.
            if (reading.gameStarted)
                TellGameStarted(source->api.newsGame);
            if (reading.gameEnded)
                TellGameEnded(source->api.newsGame);
            if (reading.kind == ReadingKind::Answered && LearnPlayersForShow(&source->api))
                TellGameStarted(source->api.newsGame);
        }
        if (!WaitOutPeriod(run, game, *source, watched, &focus))
            break;
    }
    EndForegroundEvents(&events);
    return lost;
}

// A "Remote Role" other than the two known ones can only come from an edited
// registry value: there is neither a game nor an XSplit to look for here.
DWORD WaitForStopWithUnknownRole()
{
    SetStatusLine(L"Network role unknown. Click Stop, then choose this computer's role in Setup...");
    WaitForSingleObject(g_app.StopEvent, INFINITE);
    return kExitStopped;
}


// Locates and watches until Stop, or runs the relay receiver on the
// XSplit side; returns the worker's exit code.
DWORD LocateAndWatch(WorkerRun* run, StateSource* source)
{
    const bool remote = run->settings.networkMode;
    const DWORD role = run->settings.remoteRole;
    if (remote && role != kRoleGameSide && role != kRoleXSplitSide)
        return WaitForStopWithUnknownRole();
    const bool watchesGame = !remote || role == kRoleGameSide;
    const bool drivesBroadcaster = !remote || role == kRoleXSplitSide;

    for (;;) {
        GameTarget game = {};
        if (watchesGame && !LocateGame(source, &game))
            return kExitStopped;
        if (drivesBroadcaster && !LocateBroadcaster(run))
            return kExitStopped;
        if (remote && role == kRoleXSplitSide) {
            RunRelayReceiver(run);
            return kExitReceiverReturned;
        }
        if (!WatchGame(run, game, source))
            return kExitStopped;
    }
}

} // namespace

DWORD RunWatchLoop(WorkerRun* run)
{
    const RunSettings& settings = run->settings;
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 0), &winsock);
    // Chosen before Start and fixed for the run: Options is closed meanwhile.
    ForgetWantedScene();
    StateSource source = {};
    source.settings = &settings;
    source.clientApi = settings.clientApi;
    source.remote = source.clientApi && IsGameApiHostRemote(settings.gameApiHost);
    // A text source reading the record's file shows it before the first
    // game. A failure is said once watching has begun, where it stays up.
    const bool watchesGame = !settings.networkMode || settings.remoteRole == kRoleGameSide;
    if (source.clientApi && watchesGame)
        WriteRecordFileNow(RecordFailure::Quiet);
    // Without its event every sample fails, as with an empty patch table.
    if (source.clientApi)
        OpenClientApiLink(&source.api.link, GameApiHostToAsk(settings), static_cast<unsigned short>(settings.gameApiPort),
                          g_app.StopEvent);
    const DWORD exitCode = LocateAndWatch(run, &source);
    CloseClientApiLink(&source.api.link);
    ReleaseBroadcaster(run);
    return exitCode;
}

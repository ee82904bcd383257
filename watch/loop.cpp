// The watch worker: finds the game and XSplit (or connects to OBS), then
// samples the game's state and the foreground window every 100 ms and turns
// changes into scene switches. On the XSplit side of a network pair it runs
// the relay receiver.
#include <winsock2.h>

#include "watch/watch.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/status_line.h"
#include "relay/relay.h"
#include "watch/broadcaster.h"
#include "watch/client_api_probe.h"
#include "resource_ids.h"

namespace {

constexpr DWORD kSamplePeriodMs = 100;
constexpr DWORD kExitStopped = 1;
constexpr DWORD kExitReceiverReturned = 0;

struct GameTarget {
    HWND window;
    DWORD processId;
};

// Where this run of the worker reads the game's state: one flag byte in the
// game's memory, or the game's client API over a link kept for the run.
struct StateSource {
    bool clientApi;
    ClientApiLink link;
};

GameState SampleGameState(const StateSource& source, const GameTarget& game)
{
    return source.clientApi ? ProbeClientApi(source.link) : ProbeGameState(game.processId);
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

// False when Stop was requested before the game was found.
bool LocateGame(GameTarget* game)
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

bool IsGameOrBroadcasterLost(const GameTarget& game, GameState current)
{
    return current == GameState::ProbeFailed || !IsWindow(game.window) ||
           (g_app.RemoteEnabled == 0 && IsBroadcasterLost());
}

// Tab in and tab out: either the game-state scene again or the tab scenes.
// cppcheck-suppress constParameter ; HWND is an opaque handle, its target is not ours to qualify
void ApplyFocusChange(HWND foreground, const GameTarget& game, GameState current, bool* gameFocused)
{
    const bool applyOnTab = IsMainBoxChecked(IDC_MAIN_APPLY_ON_TAB);
    if (foreground == game.window) {
        if (applyOnTab)
            ApplyGameState(current);
        else
            SwitchToSlot(SceneSlot::TabInScene);
        *gameFocused = true;
    } else if (*gameFocused) {
        if (applyOnTab)
            ApplyGameState(current);
        else
            SwitchToSlot(SceneSlot::TabOutScene);
        *gameFocused = false;
    }
}

// Samples until the game or the broadcaster is lost (true) or Stop is requested (false).
bool WatchGame(const GameTarget& game, const StateSource& source)
{
    GameState previous = GameState::None;
    HWND lastForeground = GetForegroundWindow();
    bool gameFocused = lastForeground == game.window;
    SetStatusLine(L"Running. Waiting for events...");
    for (;;) {
        const bool applyWhenTabbedOut = IsMainBoxChecked(IDC_MAIN_APPLY_WHEN_TABBED);
        if (IsStopRequested())
            return false;
        const GameState current = SampleGameState(source, game);
        if (IsGameOrBroadcasterLost(game, current))
            return true;
        // The focus test uses the foreground of the last focus check, so a
        // game that starts while tabbed out is left to the tab-in scene.
        if (current != previous && (lastForeground == game.window || applyWhenTabbedOut))
            ApplyGameState(current);
        previous = current;
        HWND foreground = GetForegroundWindow();
        if (foreground != lastForeground) {
            ApplyFocusChange(foreground, game, current, &gameFocused);
            lastForeground = foreground;
        }
        if (PauseUnlessStopped())
            return false;
    }
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
DWORD LocateAndWatch(const StateSource& source)
{
    const bool remote = g_app.RemoteEnabled != 0;
    const DWORD role = g_app.RemoteRole;
    if (remote && role != kRoleGameSide && role != kRoleXSplitSide)
        return WaitForStopWithUnknownRole();
    const bool watchesGame = !remote || role == kRoleGameSide;
    const bool drivesBroadcaster = !remote || role == kRoleXSplitSide;

    for (;;) {
        GameTarget game = {};
        if (watchesGame && !LocateGame(&game))
            return kExitStopped;
        if (drivesBroadcaster && !LocateBroadcaster())
            return kExitStopped;
        if (remote && role == kRoleXSplitSide) {
            RunRelayReceiver();
            return kExitReceiverReturned;
        }
        if (!WatchGame(game, source))
            return kExitStopped;
    }
}

} // namespace

DWORD WINAPI RunWatchLoop(void*)
{
    g_app.RemoteEnabled = IsMainBoxChecked(IDC_MAIN_NETWORK_MODE) ? 1 : 0;
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 0), &winsock);
    // Chosen before Start and fixed for the run: Options is closed meanwhile.
    StateSource source = {IsClientApiChosen(), {nullptr, nullptr}};
    // Without WinHTTP every sample fails, as with an empty patch table.
    if (source.clientApi)
        OpenClientApiLink(&source.link);
    const DWORD exitCode = LocateAndWatch(source);
    CloseClientApiLink(&source.link);
    ReleaseBroadcaster();
    return exitCode;
}

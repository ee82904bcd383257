// Reaction time: from the moment something changes in the game (its flag
// byte, or which window is in front) to the moment the simulated XSplit has
// handled the click. The program samples every 100 ms, so about half a
// period is the floor for the median.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/app_state.h"
#include "bench/click_log.h"
#include "bench/clock.h"
#include "bench/sections.h"
#include "bench/spread.h"
#include "drive/browser.h"
#include "drive/child_process.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

// Long enough for a click on a loaded machine; an event without a click by
// then counts as missed.
constexpr DWORD kClickWaitMs = 5000;
constexpr DWORD kFirstClickWaitMs = 15000;
// The pause before each event is drawn from a range two periods wide, so
// the events fall evenly over the phase of the program's sampling.
constexpr DWORD kPauseFromMs = 150;
constexpr DWORD kPauseSpanMs = 200;
constexpr int kNoteNumberChars = 32;
// So many events in a row without a click mean the setup broke (the game
// or XSplit gone, the front stuck): the rest would only wait out their time.
constexpr int kMissesInARowToGiveUp = 10;

struct EventTally {
    std::vector<double> latencies;
    int missed = 0;  // no click within kClickWaitMs
    int stray = 0;   // a click arrived, but not the one expected alone
    int missedInARow = 0;
    bool GaveUp() const { return missedInARow >= kMissesInARowToGiveUp; }
};

// Waits the random pause, fires the event and times it up to the click.
void TimeEvent(const ClickLog& log, const SimulatedXSplit& xsplit, const std::function<void()>& fire,
               const wchar_t* expectedScene, EventTally* tally)
{
    Sleep(RandomMs(kPauseFromMs, kPauseSpanMs));
    const size_t clicksBefore = xsplit.Clicks().size();
    const LONGLONG sizeBefore = log.Size();
    const double fired = NowMs();
    fire();
    const double clicked = log.WaitForGrowth(sizeBefore, kClickWaitMs);
    if (clicked < 0) {
        ++tally->missed;
        ++tally->missedInARow;
        return;
    }
    tally->missedInARow = 0;
    const std::vector<std::wstring> clicks = xsplit.Clicks();
    if (clicks.size() != clicksBefore + 1 || clicks.back() != expectedScene) {
        ++tally->stray;
        return;
    }
    tally->latencies.push_back(clicked - fired);
}

std::string TallyNote(const EventTally& tally, int events, bool bothWays)
{
    std::string note = std::to_string(events) + (bothWays ? " events, half each way" : " events");
    if (!tally.latencies.empty()) {
        char fastest[kNoteNumberChars];
        std::snprintf(fastest, kNoteNumberChars, "%.1f", SpreadOf(tally.latencies).min);
        note += ", fastest " + std::string(fastest) + " ms";
    }
    if (tally.missed > 0)
        note += ", " + std::to_string(tally.missed) + " without a click";
    if (tally.stray > 0)
        note += ", " + std::to_string(tally.stray) + " with another click";
    if (tally.GaveUp())
        note += ", given up after " + std::to_string(kMissesInARowToGiveUp) + " in a row without a click";
    return note + "; click seen by polling its log every 1 ms";
}

// Adds the row; false when fewer than half the events could be timed.
bool AddReaction(Report& report, const std::string& measure, const EventTally& tally, int events,
                 bool bothWays = true)
{
    report.AddSpread(measure, tally.latencies, "ms", true, TallyNote(tally, events, bothWays));
    return tally.latencies.size() * 2 >= size_t(events);
}

// The game, XSplit and Kestrelcue on one computer, watching, with the game in
// front and the menus' scene already shown.
struct LocalRig {
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    ClickLog log;
};

// With `clientApi` the program reads the game's state from its client API.
bool StartLocalRig(LocalRig& rig, const char* section, bool clientApi = false)
{
    StoreLocalMode();
    if (clientApi)
        StoreClientApiChosen();
    const bool gameUp = clientApi ? rig.game.LaunchWithApi() : rig.game.Launch();
    const bool up = gameUp && rig.xsplit.Launch(BenchScenes()) && LaunchProgram(rig.program) &&
                    rig.log.Open(rig.xsplit.LogPath());
    StoreLocalMode();
    if (!up) {
        Progress("  %s: could not start the simulated game, the simulated XSplit and Kestrelcue", section);
        return false;
    }
    TypeSceneNames(rig.program);
    // A window that takes the front by accident must not swallow a game event.
    rig.program.SetChecked(1010, true);
    BringToFront(rig.game.Window());
    const LONGLONG size = rig.log.Size();
    rig.program.PressStartStop();
    if (rig.log.WaitForGrowth(size, kFirstClickWaitMs) < 0) {
        Progress("  %s: Kestrelcue did not switch to the menus' scene after Start", section);
        return false;
    }
    return true;
}

// Starts and ends games in turn by writing the flag byte.
EventTally TimeGameEvents(SimulatedGame& game, const ClickLog& log, const SimulatedXSplit& xsplit, int events)
{
    EventTally tally;
    for (int i = 0; i < events && !tally.GaveUp(); ++i) {
        const bool start = i % 2 == 0;
        TimeEvent(log, xsplit, [&] { game.SetFlag(start ? 1 : 0); }, start ? kEnterScene : kLeaveScene, &tally);
    }
    return tally;
}

} // namespace

bool MeasureGameFlagReaction(const BenchOptions& options, Report& report)
{
    const std::string measure = "Reaction to game start/end (flag byte -> click)";
    LocalRig rig;
    if (!StartLocalRig(rig, "game start/end")) {
        report.AddNotMeasured(measure, "the program, the game or XSplit did not start");
        return false;
    }
    const EventTally tally = TimeGameEvents(rig.game, rig.log, rig.xsplit, options.events);
    return AddReaction(report, measure, tally, options.events);
}

bool MeasureClientApiReaction(const BenchOptions& options, Report& report)
{
    const std::string measure = "Reaction to game start/end, client API (game's screen -> click)";
    LocalRig rig;
    if (!StartLocalRig(rig, "game start/end through the client API", true)) {
        report.AddNotMeasured(measure, "the program, the game or XSplit did not start");
        return false;
    }
    EventTally tally;
    for (int i = 0; i < options.events && !tally.GaveUp(); ++i) {
        const bool start = i % 2 == 0;
        TimeEvent(rig.log, rig.xsplit, [&] { start ? rig.game.EnterGame() : rig.game.ShowScore(); },
                  start ? kEnterScene : kLeaveScene, &tally);
    }
    return AddReaction(report, measure, tally, options.events);
}

// With a victory and a replay scene set, entering a game and reaching the
// score screen each ask /game beside /ui within the same sample.
bool MeasureSituationReaction(const BenchOptions& options, Report& report)
{
    const std::string enterMeasure = "Reaction to entering a game, client API asking /game (game's screen -> click)";
    const std::string scoreMeasure = "Reaction to a win's score screen, client API asking /game (game's screen -> click)";
    StoreSituationScenes(true);
    LocalRig rig;
    const bool up = StartLocalRig(rig, "situations through the client API", true);
    StoreSituationScenes(false);
    if (!up) {
        report.AddNotMeasured(enterMeasure, "the program, the game or XSplit did not start");
        report.AddNotMeasured(scoreMeasure, "the program, the game or XSplit did not start");
        return false;
    }
    EventTally entering, scoring;
    for (int i = 0; i < options.events && !entering.GaveUp() && !scoring.GaveUp(); ++i) {
        if (i % 2 == 0)
            TimeEvent(rig.log, rig.xsplit, [&] { rig.game.EnterGame(); }, kEnterScene, &entering);
        else
            TimeEvent(rig.log, rig.xsplit, [&] { rig.game.ShowScore(); }, kWonScene, &scoring);
    }
    const int each = options.events / 2;
    const bool enterTimed = AddReaction(report, enterMeasure, entering, each, false);
    return AddReaction(report, scoreMeasure, scoring, each, false) && enterTimed;
}

bool MeasureAltTabReaction(const BenchOptions& options, Report& report)
{
    const std::string measure = "Reaction to alt+tab out/in (SetForegroundWindow -> click)";
    LocalRig rig;
    if (!StartLocalRig(rig, "alt+tab")) {
        report.AddNotMeasured(measure, "the program, the game or XSplit did not start");
        return false;
    }
    EventTally tally;
    for (int i = 0; i < options.events && !tally.GaveUp(); ++i) {
        const bool out = i % 2 == 0;
        const HWND target = out ? rig.xsplit.Window() : rig.game.Window();
        TimeEvent(rig.log, rig.xsplit, [&] { SetForegroundWindow(target); }, out ? kTabOutScene : kTabInScene,
                  &tally);
        // A switch that did not take leaves the next event starting from
        // the wrong side; put the front where the next event expects it.
        if (GetForegroundWindow() != target)
            BringToFront(target);
    }
    return AddReaction(report, measure, tally, options.events);
}

bool MeasureNetworkReaction(const BenchOptions& options, Report& report)
{
    const std::string measure = "Reaction over the network, loopback (game side's flag byte -> XSplit side's click)";
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram xsplitSide, gameSide;
    ClickLog log;
    StoreNetworkRole(kRoleXSplitSide, L"");
    const bool xsplitSideUp = game.Launch() && xsplit.Launch(BenchScenes()) && log.Open(xsplit.LogPath()) &&
                              LaunchProgram(xsplitSide);
    StoreNetworkRole(kRoleGameSide, L"127.0.0.1");
    if (!xsplitSideUp || !LaunchProgram(gameSide)) {
        report.AddNotMeasured(measure, "the programs, the game or XSplit did not start");
        StoreLocalMode();
        return false;
    }
    StoreLocalMode();
    TypeSceneNames(gameSide);
    gameSide.SetChecked(1010, true);
    if (!StartReceiver(xsplitSide)) {
        report.AddNotMeasured(measure, "the XSplit side could not listen on UDP port 53871");
        return false;
    }
    BringToFront(game.Window());
    const LONGLONG size = log.Size();
    gameSide.PressStartStop();
    if (log.WaitForGrowth(size, kFirstClickWaitMs) < 0) {
        report.AddNotMeasured(measure, "the XSplit side did not switch to the menus' scene after Start");
        return false;
    }
    const EventTally tally = TimeGameEvents(game, log, xsplit, options.events);
    return AddReaction(report, measure, tally, options.events);
}

namespace {

// The overlay's port for the bench: not the tests' 28028.
constexpr DWORD kBenchOverlayPort = 28030;
// A browser source's page changes twice a game; this many changes are timed
// (fewer when --events asks for fewer).
constexpr int kOverlayChanges = 10;
constexpr DWORD kOverlayChangeWaitMs = 10000;
// Unix time in ms: 100 ns steps since 1601, less the years to 1970.
constexpr double kUnixEpochIn100Ns = 116444736000000000.0;

// The wall clock, which Chromium's performance.timeOrigin + now() is set
// against too: both are Linux's CLOCK_REALTIME, to a fraction of a ms.
double WallMs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (double(ticks) - kUnixEpochIn100Ns) / 10000.0;
}

// Before the change, the page is given a promise that a MutationObserver
// keeps: it holds the wall time of the first change of the DOM after which
// `shown` (a JavaScript expression) is true. So the figure ends when the
// page's script has put the change into the DOM, before Chromium paints it.
bool ArmPage(HeadlessBrowser& browser, const std::string& shown)
{
    std::string armed;
    return browser.Evaluate("window.kcSeen = new Promise(resolve => { const o = new MutationObserver(() => {"
                            " if (" + shown + ") { o.disconnect(); resolve(performance.timeOrigin + performance.now()); }"
                            " }); o.observe(document.body, {childList: true, subtree: true, characterData: true}); });"
                            " 'armed'",
                            &armed) &&
           armed == "armed";
}

// The wall time the page saw its change at; negative when it did not.
double SeenAt(HeadlessBrowser& browser)
{
    std::string seen;
    if (!browser.Evaluate("window.kcSeen", &seen, kOverlayChangeWaitMs))
        return -1;
    return std::strtod(seen.c_str(), nullptr);
}

} // namespace

// Each game changes the page twice: its players come when the map comes on,
// the result on the score screen.
bool MeasureOverlayReaction(const BenchOptions& options, Report& report)
{
    const std::string measure = "overlay page: game change → page's DOM";
    WriteStoredDword(L"Overlay Port", kBenchOverlayPort);
    LocalRig rig;
    const bool up = StartLocalRig(rig, "overlay page", true);
    WriteStoredDword(L"Overlay Port", 0);
    if (!up) {
        report.AddNotMeasured(measure, "the program, the game or XSplit did not start");
        return false;
    }
    HeadlessBrowser browser;
    if (!browser.Start(FreshTempFolder(L"bench-browser")) ||
        !browser.Navigate("http://127.0.0.1:" + std::to_string(kBenchOverlayPort) + "/")) {
        Progress("  overlay page: %s", browser.Error().c_str());
        report.AddNotMeasured(measure, "Chromium did not load the page (is chromium installed?)");
        return false;
    }
    const int changes = std::min(options.events, kOverlayChanges);
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < changes; ++i) {
        const bool start = i % 2 == 0;
        const std::string opponent = "Foe " + std::to_string(i / 2 + 1);
        if (start) {
            rig.game.SetLineup({{"Kestrel", "user", "Zerg", "Victory"}, {opponent, "user", "Terr", "Defeat"}});
            rig.game.ShowLoading();
        }
        Sleep(RandomMs(kPauseFromMs, kPauseSpanMs));
        const std::string shown = start ? "document.getElementById('match').textContent.includes('" + opponent + "')"
                                        : "document.querySelector('#match .result') !== null";
        if (!ArmPage(browser, shown)) {
            ++missed;
            continue;
        }
        const double fired = WallMs();
        start ? rig.game.EnterGame() : rig.game.ShowScore();
        const double seen = SeenAt(browser);
        if (seen < 0)
            ++missed;
        else
            latencies.push_back(seen - fired);
    }
    std::string note = std::to_string(changes) +
                       " changes in Chromium, half each way (the players as the map comes on, the result at the score)";
    if (missed > 0)
        note += ", " + std::to_string(missed) + " not seen";
    note += "; the DOM's change caught by a MutationObserver in the page, its wall time against the change's";
    report.AddSpread(measure, latencies, "ms", true, note);
    return latencies.size() * 2 >= size_t(changes);
}

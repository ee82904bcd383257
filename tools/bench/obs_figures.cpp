// OBS Studio as the program switched, measured against a real OBS: how soon
// its program scene changes after the game's flag byte, how much of that is
// OBS's own switching, and how soon Stop comes back while OBS never answers
// or is frozen with a request out. What is on air is seen through an
// obs-websocket event subscription of the bench's own.
#include <winsock2.h>

#include <functional>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "bench/sections.h"
#include "bench/spread.h"
#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "drive/simulators.h"

namespace {

const std::vector<std::string> kObsScenes = {"Game", "Menus", "Away", "Back"};
constexpr char kPassword[] = "bench-Passw0rd";
constexpr wchar_t kPasswordText[] = L"bench-Passw0rd";
// A port where a listener takes connections and never answers.
constexpr unsigned short kSilentPort = 4463;
constexpr DWORD kEventWaitMs = 5000;
constexpr DWORD kStateWaitMs = 15000;
constexpr DWORD kPauseFromMs = 150;
constexpr DWORD kPauseSpanMs = 200;
constexpr int kOwnSwitches = 50;

std::string Utf8(const wchar_t* text)
{
    std::string out;
    for (const wchar_t* c = text; *c != L'\0'; ++c)
        out += char(*c);
    return out;
}

// Waits for the next scene change and returns its time (NowMs), or a
// negative number when the wrong scene or none came.
double SceneOnAirAt(ObsWebSocket& watcher, const std::string& expected)
{
    ObsSceneChange change;
    if (!watcher.WaitForSceneChange(&change, kEventWaitMs) || change.sceneName != expected)
        return -1;
    return MsOfCounter(change.receivedAt.QuadPart);
}

// Listens and never accepts: connections complete and then hear nothing.
struct SilentListener {
    SOCKET socket = INVALID_SOCKET;
    bool Start(unsigned short port)
    {
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return socket != INVALID_SOCKET && bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               listen(socket, SOMAXCONN) == 0;
    }
    ~SilentListener()
    {
        if (socket != INVALID_SOCKET)
            closesocket(socket);
    }
};

struct ObsRig {
    ObsStudio obs;
    ObsWebSocket watcher;
    SimulatedGame game;
    KestrelcueProgram program;
};

bool StartObsRig(ObsRig& rig, unsigned short programPort)
{
    StoreLocalMode();
    if (!rig.obs.Start(FreshTempFolder(L"bench-obs"), kObsScenes, kPassword)) {
        Progress("  OBS did not start: %s", rig.obs.Error().c_str());
        return false;
    }
    if (!rig.watcher.Connect(kObsTestPort, kPassword, kObsEventScenes)) {
        Progress("  the bench's own OBS client did not connect: %s", rig.watcher.Error().c_str());
        return false;
    }
    StoreObsChosen(L"127.0.0.1", programPort, kPasswordText);
    const bool up = rig.game.Launch() && LaunchProgram(rig.program);
    StoreLocalMode();
    if (!up)
        return false;
    TypeSceneNames(rig.program);
    rig.program.SetChecked(1010, true);
    return true;
}

// One kind of event, `options.events` times, half each way: `fire(first)`
// makes it, and `scene(first)` is what OBS is to show for it. `afterEach`
// puts things back for the next when an event did not take.
void TimeObsEvents(ObsRig& rig, const BenchOptions& options, Report& report, const std::string& measure,
                   const std::function<void(bool)>& fire, const std::function<const wchar_t*(bool)>& scene,
                   const std::function<void(bool)>& afterEach)
{
    // Another scene on air first: the program's first switch, to the menus'
    // scene, is then seen as a change even after an earlier measure left
    // the menus on air.
    rig.game.SetFlag(0);
    rig.watcher.SetCurrentProgramScene(Utf8(kEnterScene));
    SceneOnAirAt(rig.watcher, Utf8(kEnterScene));
    rig.watcher.DiscardSceneChanges();
    BringToFront(rig.game.Window());
    rig.program.PressStartStop();
    if (SceneOnAirAt(rig.watcher, Utf8(kLeaveScene)) < 0) {
        report.AddNotMeasured(measure, "OBS did not switch to the menus' scene after Start");
        return;
    }
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < options.events && missed < 10; ++i) {
        const bool first = i % 2 == 0;
        Sleep(RandomMs(kPauseFromMs, kPauseSpanMs));
        const double fired = NowMs();
        fire(first);
        const double onAir = SceneOnAirAt(rig.watcher, Utf8(scene(first)));
        if (onAir < 0)
            ++missed;
        else
            latencies.push_back(onAir - fired);
        afterEach(first);
    }
    report.AddSpread(measure, latencies, "ms", true,
                     std::to_string(options.events) + " events, half each way" +
                         (missed > 0 ? ", " + std::to_string(missed) + " without a switch" : "") +
                         "; seen through an event subscription");
    rig.program.PressStartStop();
}

void MeasureReaction(ObsRig& rig, const BenchOptions& options, Report& report)
{
    TimeObsEvents(
        rig, options, report, "Reaction to game start/end, OBS (flag byte -> OBS's program scene changed)",
        [&](bool start) { rig.game.SetFlag(start ? 1 : 0); },
        [](bool start) { return start ? kEnterScene : kLeaveScene; }, [](bool) {});
}

// Alt+tab out to the program's own window and back into the game, as the
// foreground changes: each is a tab scene on OBS.
void MeasureAltTabReaction(ObsRig& rig, const BenchOptions& options, Report& report)
{
    auto target = [&](bool out) { return out ? rig.program.Window() : rig.game.Window(); };
    TimeObsEvents(
        rig, options, report, "Reaction to alt+tab out/in, OBS (SetForegroundWindow -> OBS's program scene changed)",
        [&](bool out) { SetForegroundWindow(target(out)); },
        [](bool out) { return out ? kTabOutScene : kTabInScene; },
        // A switch that did not take leaves the next event starting from
        // the wrong side; put the front where the next event expects it.
        [&](bool out) {
            if (GetForegroundWindow() != target(out))
                BringToFront(target(out));
        });
}

// What OBS itself takes: a request of the bench's own to the event.
void MeasureObsOwnSwitch(ObsRig& rig, Report& report)
{
    std::vector<double> durations;
    for (int i = 0; i < kOwnSwitches; ++i) {
        const std::string scene = kObsScenes[size_t(i) % kObsScenes.size()];
        Sleep(RandomMs(20, 40));
        rig.watcher.DiscardSceneChanges();
        const double sent = NowMs();
        if (!rig.watcher.SetCurrentProgramScene(scene))
            continue;
        const double onAir = SceneOnAirAt(rig.watcher, scene);
        if (onAir >= 0)
            durations.push_back(onAir - sent);
    }
    report.AddSpread("OBS's own switch (SetCurrentProgramScene -> CurrentProgramSceneChanged)", durations, "ms", false,
                     "the share of the reaction above that OBS itself needs (its canvas runs at 10 frames a second "
                     "here), loopback round trip included");
}

void AddStops(Report& report, const std::string& state, const std::vector<double>& stops, const std::string& note)
{
    report.AddSpread("Stop while " + state, stops, "ms", false, note);
}

// The program set to a port where nothing ever answers.
void MeasureStopWhileConnecting(const BenchOptions& options, Report& report)
{
    SilentListener silent;
    ObsRig rig;
    std::vector<double> stops;
    if (silent.Start(kSilentPort) && StartObsRig(rig, kSilentPort)) {
        for (int i = 0; i < options.stopRepeats; ++i) {
            rig.program.PressStartStop();
            if (!rig.program.WaitForStatus(L"Connecting to OBS...", kStateWaitMs))
                continue;
            Sleep(RandomMs(0, 1000));
            const double pressed = NowMs();
            rig.program.PressStartStop();
            if (rig.program.Status() == L"Aborted.")
                stops.push_back(NowMs() - pressed);
        }
    }
    AddStops(report, "connecting to an OBS that never answers", stops,
             "each try to connect waits up to 2 s for OBS; Stop cuts it short");
}

// A request out to an OBS frozen with SIGSTOP.
void MeasureStopWithObsFrozen(const BenchOptions& options, Report& report)
{
    ObsRig rig;
    std::vector<double> stops;
    if (StartObsRig(rig, kObsTestPort)) {
        BringToFront(rig.game.Window());
        bool inGame = false;
        for (int i = 0; i < options.stopRepeats; ++i) {
            rig.watcher.DiscardSceneChanges();
            rig.program.PressStartStop();
            // Connected and watching: the first sample's scene is on air.
            if (SceneOnAirAt(rig.watcher, Utf8(inGame ? kEnterScene : kLeaveScene)) < 0 || !rig.obs.Freeze()) {
                rig.program.PressStartStop();
                continue;
            }
            inGame = !inGame;
            rig.game.SetFlag(inGame ? 1 : 0);
            const wchar_t* status = inGame ? L"Last event: Switch to enter game scene." : L"Last event: Switch to leave game scene.";
            const bool out = rig.program.WaitForStatus(status, kStateWaitMs);
            Sleep(RandomMs(0, 500));
            const double pressed = NowMs();
            rig.program.PressStartStop();
            if (out && rig.program.Status() == L"Aborted.")
                stops.push_back(NowMs() - pressed);
            rig.obs.Thaw();
        }
    }
    AddStops(report, "a request is out to a frozen OBS", stops, "a request waits up to 2 s for OBS; Stop cuts it short");
}

} // namespace

bool MeasureObs(const BenchOptions& options, Report& report)
{
    {
        ObsRig rig;
        if (!StartObsRig(rig, kObsTestPort)) {
            report.AddNotMeasured("Reaction to game start/end, OBS", "OBS, the game or the program did not start");
            return false;
        }
        MeasureReaction(rig, options, report);
        MeasureAltTabReaction(rig, options, report);
        MeasureObsOwnSwitch(rig, report);
    }
    MeasureStopWhileConnecting(options, report);
    MeasureStopWithObsFrozen(options, report);
    return !report.AnyNotMeasured();
}

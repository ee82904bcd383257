// How long Stop takes, in each state the worker can be in when it is
// pressed: from the click on Stop until the program has handled it, which
// is when the worker has ended and the status reads "Aborted.".
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "bench/click_log.h"
#include "bench/clock.h"
#include "bench/sections.h"
#include "drive/simulators.h"
#include "drive/udp_sender.h"
#include "relay/datagram.h"
#include "relay/relay.h"

namespace {

constexpr DWORD kStateWaitMs = 15000;
// Stop is pressed a random part of a sampling period after the state shows,
// so it meets the worker at every point of its loop.
constexpr DWORD kStopPhaseSpanMs = 100;
// Longer than the bench runs: the simulated XSplit stays hung in the click.
constexpr wchar_t kHangOnClickMs[] = L"600000";

bool IsRunning(const KestrelcueProgram& program)
{
    return program.Text(1011) == L"Stop";
}

void StopIfRunning(const KestrelcueProgram& program)
{
    if (IsRunning(program))
        program.PressStartStop();
}

struct StopTally {
    std::vector<double> durations;
    int failed = 0;
};

// Enters the state (by `enter`, which ends with the worker running), waits
// for its status text, then presses Stop and times it. `after` puts back what
// the state used up.
void TimeStops(const KestrelcueProgram& program, int repeats, const std::function<bool()>& enter,
               const std::wstring& status, const std::function<void()>& after, StopTally* tally)
{
    for (int i = 0; i < repeats; ++i) {
        if (!enter() || !program.WaitForStatus(status, kStateWaitMs)) {
            ++tally->failed;
            StopIfRunning(program);
            after();
            continue;
        }
        Sleep(RandomMs(0, kStopPhaseSpanMs));
        const bool stillThere = program.Status() == status;
        const double pressed = NowMs();
        program.PressStartStop();
        const double handled = NowMs();
        if (stillThere && program.Status() == L"Aborted.")
            tally->durations.push_back(handled - pressed);
        else
            ++tally->failed;
        after();
    }
}

bool AddStops(Report& report, const std::string& state, const StopTally& tally, int repeats,
              const std::string& why = "")
{
    std::string note = why;
    if (tally.failed > 0)
        note += (note.empty() ? "" : "; ") + std::to_string(tally.failed) + " of " + std::to_string(repeats) +
                " could not be set up";
    report.AddSpread("Stop while " + state, tally.durations, "ms", false, note);
    return !tally.durations.empty();
}

bool LaunchInRole(KestrelcueProgram& program, DWORD role)
{
    if (role == 0)
        StoreLocalMode();
    else
        StoreNetworkRole(role, L"");
    const bool up = LaunchProgram(program);
    StoreLocalMode();
    if (up)
        TypeSceneNames(program);
    return up;
}

auto StartWorker(const KestrelcueProgram& program)
{
    return [&program] {
        program.PressStartStop();
        return true;
    };
}

const auto kNothing = [] {};

bool StopLookingForGame(const BenchOptions& options, Report& report)
{
    KestrelcueProgram program;
    StopTally tally;
    if (LaunchInRole(program, 0))
        TimeStops(program, options.stopRepeats, StartWorker(program), L"Finding StarCraft II window...", kNothing,
                  &tally);
    return AddStops(report, "looking for the game", tally, options.stopRepeats);
}

bool StopWatching(const BenchOptions& options, Report& report)
{
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    ClickLog log;
    StopTally tally;
    if (game.Launch() && xsplit.Launch(BenchScenes()) && log.Open(xsplit.LogPath()) && LaunchInRole(program, 0)) {
        // Watching proper begins once the first sample's click has landed.
        auto enter = [&] {
            BringToFront(game.Window());
            const LONGLONG size = log.Size();
            program.PressStartStop();
            return log.WaitForGrowth(size, kStateWaitMs) >= 0;
        };
        TimeStops(program, options.stopRepeats, enter, L"Last event: Switch to leave game scene.", kNothing, &tally);
    }
    return AddStops(report, "watching a game", tally, options.stopRepeats);
}

bool StopInHungClick(const BenchOptions& options, Report& report)
{
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    StopTally tally;
    if (game.Launch() && LaunchInRole(program, 0)) {
        // Each round needs an XSplit that answers until the click, then hangs in it.
        auto enter = [&] {
            if (!xsplit.Launch(BenchScenes(), {L"--hang-on-click", kHangOnClickMs}))
                return false;
            BringToFront(game.Window());
            program.PressStartStop();
            return true;
        };
        auto after = [&] { xsplit.Kill(); };
        TimeStops(program, options.stopRepeats, enter, L"Last event: Switch to leave game scene.", after, &tally);
    }
    return AddStops(report, "clicking into a hung XSplit", tally, options.stopRepeats,
                    "the click is bounded at 2 s; Stop leaves the worker to end on its own after it");
}

bool StopReceiverWaitingForDatagram(const BenchOptions& options, Report& report)
{
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    StopTally tally;
    if (xsplit.Launch(BenchScenes()) && LaunchInRole(program, kRoleXSplitSide)) {
        auto enter = [&] { return StartReceiver(program); };
        TimeStops(program, options.stopRepeats, enter, L"Waiting for network event...", kNothing, &tally);
    }
    return AddStops(report, "the receiver waits for a datagram", tally, options.stopRepeats);
}

// The receiver looks for XSplit again when a datagram finds it gone.
bool StopReceiverWaitingForXSplit(const BenchOptions& options, Report& report)
{
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    StopTally tally;
    if (LaunchInRole(program, kRoleXSplitSide)) {
        auto enter = [&] {
            if (!xsplit.Launch(BenchScenes()) || !StartReceiver(program))
                return false;
            xsplit.Kill();
            uint8_t record[kSenderRecordBytes];
            const size_t bytes = EncodeSceneDatagram(reinterpret_cast<const uint16_t*>(kLeaveScene), record);
            return SendDatagram(kRelayPort, std::vector<uint8_t>(record, record + bytes));
        };
        TimeStops(program, options.stopRepeats, enter, L"Lost XSplit, trying to find...", kNothing, &tally);
    }
    return AddStops(report, "the receiver waits for XSplit", tally, options.stopRepeats);
}

// Polls every millisecond, for a state that lasts only a sample.
bool WaitUntilPolledEveryMs(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const double deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() > deadline)
            return false;
        Sleep(1);
    }
    return true;
}

// Each sample of a slow client API is a request that gives up within its
// bound: Stop pressed while every answer is slow meets the worker inside
// one most of the time. The API answers while the worker locates the game
// (it waits for an answer before it watches), and turns slow once the
// first sample has switched.
bool StopWhileClientApiSlow(const BenchOptions& options, Report& report)
{
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    StopTally tally;
    StoreLocalMode();
    StoreClientApiChosen();
    const bool up = game.LaunchWithApi() && xsplit.Launch(BenchScenes()) && LaunchProgram(program);
    StoreLocalMode();
    if (up) {
        TypeSceneNames(program);
        for (int i = 0; i < options.stopRepeats; ++i) {
            game.ClearApiFaults();
            BringToFront(game.Window());
            program.PressStartStop();
            const bool seen = WaitUntilPolledEveryMs(
                [&] { return program.Status() == L"Last event: Switch to leave game scene."; }, kStateWaitMs);
            const bool slow = seen && game.SetApiFault(kSimApiSlow, kSimApiSlowestMs);
            Sleep(RandomMs(0, kStopPhaseSpanMs));
            const double pressed = NowMs();
            program.PressStartStop();
            const double handled = NowMs();
            if (slow && program.Status() == L"Aborted.")
                tally.durations.push_back(handled - pressed);
            else
                ++tally.failed;
            StopIfRunning(program);
        }
        game.ClearApiFaults();
    }
    return AddStops(report, "the client API answers slowly", tally, options.stopRepeats,
                    "pressed at a random moment while every answer is slow; each request gives up within 50 ms");
}

} // namespace

bool MeasureStopLookingForXSplit(const BenchOptions& options, Report& report, const std::string& besides)
{
    SimulatedGame game;
    KestrelcueProgram program;
    StopTally tally;
    if (game.Launch() && LaunchInRole(program, 0))
        TimeStops(program, options.stopRepeats, StartWorker(program), L"Finding XSplit window...", kNothing, &tally);
    return AddStops(report, "looking for XSplit" + besides, tally, options.stopRepeats,
                    "Stop is tested before each process a search opens");
}

bool MeasureStopTimes(const BenchOptions& options, Report& report)
{
    bool measured = true;
    measured &= StopLookingForGame(options, report);
    measured &= MeasureStopLookingForXSplit(options, report, "");
    measured &= StopWatching(options, report);
    measured &= StopReceiverWaitingForDatagram(options, report);
    measured &= StopReceiverWaitingForXSplit(options, report);
    measured &= StopInHungClick(options, report);
    measured &= StopWhileClientApiSlow(options, report);
    return measured;
}

// Stop in every state of the worker, a hundred times in a row with Start:
// each Stop completes, and the program holds no more handles or threads
// afterwards than before.
#include <algorithm>
#include <cstdio>

#include "drive/process_figures.h"
#include "drive/udp_sender.h"
#include "fault_support.h"

namespace {

constexpr int kCycles = 100;
// Cycles run before the first count, so that what the platform opens once,
// on first use, is counted on both sides (the socket library's own objects,
// for one, the first time a worker starts it).
constexpr int kWarmUpCycles = 3;
// Measured, the counts after the cycles equal those before in every state;
// the margin is for a handle the platform may hold for a moment on the
// program's behalf while a count is taken. A leak of a single handle per
// cycle shows as kCycles, fifty times the margin.
constexpr DWORD kHandleTolerance = 2;
// How long the figures may take to settle after the last Stop.
constexpr DWORD kSettleMs = 3000;
constexpr DWORD kSlowestStopMs = 5000;

constexpr wchar_t kUnknownRoleStatus[] = L"Network role unknown. Click Stop, then choose this computer's role in Setup...";

class FaultStopTest : public StreamingSession {
protected:
    void LaunchProgram()
    {
        StoreSettings(settings);
        ASSERT_TRUE(program.Launch()) << program.LaunchProblem();
        ExpectSettingsShown(program, settings);
        // The patch loader has ended once it has shown item 0.
        ASSERT_TRUE(WaitUntil([&] { return program.SelectedPatch() == 0; }));
    }

    // Start, wait for the state's status, Stop; `cycles` times.
    void CycleStartStop(const std::wstring& stateStatus, int cycles, DWORD* slowest, ULONGLONG* total)
    {
        for (int cycle = 0; cycle < cycles; ++cycle) {
            program.PressStartStop();
            ASSERT_TRUE(program.WaitForStatus(stateStatus)) << "cycle " << cycle << ": " << testing::PrintToString(program.Status());
            const DWORD stop = TimedClick(program, 1011);
            ASSERT_EQ(program.Status(), L"Aborted.") << "cycle " << cycle;
            ASSERT_EQ(program.Text(1011), L"Start") << "cycle " << cycle;
            *slowest = std::max(*slowest, stop);
            *total += stop;
        }
    }

    // The hundred cycles with the figures before and after them, and once
    // while the worker runs, to show that the figures see it.
    void StopInEveryCycle(const char* state, const std::wstring& stateStatus)
    {
        DWORD slowest = 0;
        ULONGLONG total = 0;
        ASSERT_NO_FATAL_FAILURE(CycleStartStop(stateStatus, kWarmUpCycles, &slowest, &total));
        ProcessFigures before = {}, running = {}, after = {};
        ASSERT_TRUE(ReadProcessFigures(program.Process().Id(), &before));
        program.PressStartStop();
        ASSERT_TRUE(program.WaitForStatus(stateStatus));
        ASSERT_TRUE(ReadProcessFigures(program.Process().Id(), &running));
        program.PressStartStop();
        EXPECT_EQ(running.threads, before.threads + 1) << "the thread count does not see the worker";
        EXPECT_GT(running.handles, before.handles) << "the handle count does not see the worker's handle";

        slowest = 0;
        total = 0;
        ASSERT_NO_FATAL_FAILURE(CycleStartStop(stateStatus, kCycles, &slowest, &total));
        WaitUntil([&] {
            return ReadProcessFigures(program.Process().Id(), &after) &&
                   after.handles <= before.handles + kHandleTolerance && after.threads <= before.threads;
        }, kSettleMs);
        std::printf("Stop %s, %d times: slowest %lu ms, mean %llu ms; open handles %lu before, %lu while running, "
                    "%lu after (GetProcessHandleCount: %lu, %lu, %lu); threads %lu before, %lu while running, "
                    "%lu after\n", state, kCycles, slowest, total / kCycles, before.handles, running.handles,
                    after.handles, before.reportedHandles, running.reportedHandles, after.reportedHandles,
                    before.threads, running.threads, after.threads);
        EXPECT_LT(slowest, kSlowestStopMs);
        EXPECT_LE(after.handles, before.handles + kHandleTolerance) << "handles leak";
        EXPECT_LE(after.threads, before.threads) << "threads are left behind";
    }

    void UseNetworkRole(DWORD role)
    {
        settings.networkMode = 1;
        settings.role = role;
    }
};

TEST_F(FaultStopTest, WhileLookingForTheGame)
{
    ASSERT_NO_FATAL_FAILURE(LaunchProgram());
    ASSERT_NO_FATAL_FAILURE(StopInEveryCycle("while looking for the game", L"Finding StarCraft II window..."));
    // Still working: the game and XSplit appear and the game's scene is shown.
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    program.PressStartStop();
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks(xsplit, {L"Menus"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultStopTest, WhileLookingForXSplit)
{
    ASSERT_TRUE(game.Launch());
    ASSERT_NO_FATAL_FAILURE(LaunchProgram());
    ASSERT_NO_FATAL_FAILURE(StopInEveryCycle("while looking for XSplit", L"Finding XSplit window..."));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    ExpectClicks(xsplit, {L"Menus"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultStopTest, WhileWatching)
{
    // The program's window in front, so the first sample switches nothing
    // and the worker stays in its "Running" state.
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    ASSERT_NO_FATAL_FAILURE(LaunchProgram());
    ASSERT_TRUE(BringToFront(program.Window()));
    ASSERT_NO_FATAL_FAILURE(StopInEveryCycle("while watching", L"Running. Waiting for events..."));
    EXPECT_TRUE(xsplit.Clicks().empty()) << "a Start or Stop switched a scene";
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Running. Waiting for events..."));
    // Tabbing into the game applies its state ("Apply game status on alt+tab").
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks(xsplit, {L"Menus"});
    game.StartGame();
    ExpectClicks(xsplit, {L"Menus", L"Game"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultStopTest, WhileTheReceiverWaitsForADatagram)
{
    UseNetworkRole(2);
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    ASSERT_NO_FATAL_FAILURE(LaunchProgram());
    ASSERT_NO_FATAL_FAILURE(StopInEveryCycle("while the receiver waits for a datagram", L"Waiting for network event..."));
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ExpectClicks(xsplit, {L"Game"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultStopTest, WhileTheReceiverWaitsForXSplit)
{
    UseNetworkRole(2);
    ASSERT_NO_FATAL_FAILURE(LaunchProgram());
    ASSERT_NO_FATAL_FAILURE(StopInEveryCycle("while the receiver waits for XSplit", L"Finding XSplit window..."));
    program.PressStartStop();
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Menus")));
    ExpectClicks(xsplit, {L"Menus"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultStopTest, WhileTheNetworkRoleIsUnknown)
{
    UseNetworkRole(7);
    ASSERT_NO_FATAL_FAILURE(LaunchProgram());
    ASSERT_NO_FATAL_FAILURE(StopInEveryCycle("while the network role is unknown", kUnknownRoleStatus));
    // Without network mode the same program watches the game.
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    program.SetChecked(1013, false);
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ExpectClicks(xsplit, {L"Menus"});
    program.PressStartStop();
    program.SetChecked(1013, true);
    CloseAndExpectNothingLost();
}

} // namespace

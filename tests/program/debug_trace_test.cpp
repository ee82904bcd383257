// The debugger trace: one "Switching Scene" for every scene request that the
// watch loop makes, none for events with an empty slot or for the relay
// receiver's clicks.
#include <gtest/gtest.h>

#include <algorithm>

#include "drive/debug_trace.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"
#include "drive/udp_sender.h"

namespace {

size_t CountSwitchingScene(const DebugTraceRecorder& recorder)
{
    const std::vector<std::wstring> traces = recorder.Traces();
    return size_t(std::count(traces.begin(), traces.end(), L"Switching Scene"));
}

TEST(DebugTraceTest, EveryRequestOfTheWatchLoopIsTraced)
{
    DeleteSettings();
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    ASSERT_TRUE(program.Launch());
    // Attaching while the patch loader is still at work can stall under
    // Wine; the list being filled says it is done.
    ASSERT_TRUE(program.WaitForPatchCount(2));
    DebugTraceRecorder recorder;
    ASSERT_TRUE(recorder.Attach(program.Process().Id()));
    program.SetText(1004, L"Game");
    program.SetText(1006, L"Menus");
    program.SetText(1007, L"Nowhere");  // a scene XSplit lacks is still a request
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    game.StartGame();
    ASSERT_TRUE(xsplit.WaitForClicks(2));
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ASSERT_TRUE(program.WaitForStatus(L"Error: Scene 'Nowhere' not found."));
    ASSERT_TRUE(BringToFront(game.Window()));  // the tab-in slot is empty: no request
    ASSERT_TRUE(program.WaitForStatus(L"Last event: Switch to tab in scene."));
    EXPECT_TRUE(WaitUntil([&] { return CountSwitchingScene(recorder) >= 3; }));
    Sleep(300);
    EXPECT_EQ(CountSwitchingScene(recorder), 3u);
}

TEST(DebugTraceTest, TheXSplitSideTracesNothing)
{
    DeleteSettings();
    WriteStoredDword(L"Remote Enabled", 1);
    WriteStoredDword(L"Remote Role", 2);
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    ASSERT_TRUE(program.Launch());
    // Attaching while the patch loader is still at work can stall under
    // Wine; the list being filled says it is done.
    ASSERT_TRUE(program.WaitForPatchCount(2));
    DebugTraceRecorder recorder;
    ASSERT_TRUE(recorder.Attach(program.Process().Id()));
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    const std::vector<uint8_t> game = {1, 0, 0, 0, 'G', 0, 'a', 0, 'm', 0, 'e', 0, 0, 0};
    ASSERT_TRUE(SendDatagram(53871, game));
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    Sleep(300);
    EXPECT_EQ(CountSwitchingScene(recorder), 0u);
}

} // namespace

// Start and Stop of the watch worker, as the user clicks them.
#include <gtest/gtest.h>

#include <cstdio>

#include "drive/program.h"
#include "drive/simulators.h"

namespace {

class WorkerTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(program.Launch());
    }

    // Clicks Stop and returns how long the click took to be handled.
    ULONGLONG TimedStop()
    {
        const ULONGLONG before = GetTickCount64();
        program.PressStartStop();
        return GetTickCount64() - before;
    }

    void ExpectIdle()
    {
        EXPECT_EQ(program.Text(1011), L"Start");
        EXPECT_TRUE(program.IsEnabled(1011));
        EXPECT_TRUE(program.IsEnabled(1013));
        EXPECT_TRUE(program.IsEnabled(1014));
    }

    KestrelcueProgram program;
};

TEST_F(WorkerTest, StartLooksForTheGameAndStopReturnsToIdle)
{
    ExpectIdle();
    program.PressStartStop();
    EXPECT_EQ(program.Text(1011), L"Stop");
    EXPECT_FALSE(program.IsEnabled(1013));
    EXPECT_FALSE(program.IsEnabled(1014));
    EXPECT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    // It keeps looking while there is no game.
    Sleep(400);
    EXPECT_EQ(program.Status(), L"Finding StarCraft II window...");

    const ULONGLONG took = TimedStop();
    std::printf("Stop while looking for the game took %llu ms\n", took);
    EXPECT_EQ(program.Status(), L"Aborted.");
    ExpectIdle();

    // And it starts again.
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    TimedStop();
    ExpectIdle();
}

TEST_F(WorkerTest, FindingTheGameMovesOnToXSplit)
{
    SimulatedGame game;
    ASSERT_TRUE(game.Launch());
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Finding XSplit window..."));
    TimedStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
}

TEST_F(WorkerTest, StopCompletesWhileTheWorkerKeepsWritingTheStatusLine)
{
    // With a patch address where the game has nothing mapped every probe
    // fails, so the worker finds the game and XSplit, loses the game at once
    // and starts again, rewriting the status line several times a second.
    SimulatedGame game;
    ASSERT_TRUE(game.Launch(kSimFlagAddress));
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    ASSERT_TRUE(program.WaitForPatchCount(2));
    ASSERT_EQ(program.PatchItems()[1].address, 0x70000000u) << "the sample document changed";
    program.PickPatch(1);
    for (int round = 0; round < 5; ++round) {
        program.PressStartStop();
        ASSERT_TRUE(program.WaitForStatusesInOrder(
            {L"Finding XSplit window...", L"Finding StarCraft II window...", L"Finding XSplit window..."}))
            << "the worker does not cycle";
        const ULONGLONG took = TimedStop();
        std::printf("Stop while the worker cycles took %llu ms\n", took);
        EXPECT_EQ(program.Status(), L"Aborted.");
        ExpectIdle();
    }
}

TEST_F(WorkerTest, ClicksDuringStopDoNotStartASecondWorker)
{
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    // Several clicks queued behind Stop: the first stops, the next starts
    // again, and so on; never two workers, and the window ends consistent.
    for (int i = 0; i < 4; ++i)
        PostMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED), LPARAM(program.Control(1011)));
    Sleep(1500);
    EXPECT_EQ(program.Text(1011), L"Stop");
    EXPECT_FALSE(program.IsEnabled(1013));
    TimedStop();
    ExpectIdle();
    EXPECT_EQ(program.Status(), L"Aborted.");
}

TEST_F(WorkerTest, ClosingTheWindowWhileTheWorkerRunsEndsTheProcess)
{
    SimulatedGame game;
    ASSERT_TRUE(game.Launch());
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Finding XSplit window..."));
    DWORD code = 1234;
    EXPECT_TRUE(program.Close());
    EXPECT_TRUE(program.Process().WaitForExit(0, &code));
    EXPECT_EQ(code, 0u);
}

// Stop waits a moment for a worker caught in a click into a hung XSplit.
// Keys typed on the focused Start/Stop and clicks on it meanwhile must not
// start a worker once the wait is over.
TEST(StopWaitTest, InputMadeWhileStopWaitsStartsNothing)
{
    DeleteSettings();
    SimulatedGame game;
    ASSERT_TRUE(game.Launch());
    SimulatedXSplit xsplit;
    ASSERT_TRUE(xsplit.Launch({L"Menus"}, {L"--hang-on-click", L"5000", L"--hang-clicks", L"1"}));
    KestrelcueProgram program;
    ASSERT_TRUE(program.Launch());
    program.SetText(1006, L"Menus");
    program.SetChecked(1010, true);  // the first sample requests a scene wherever the focus is
    ASSERT_TRUE(BringToFront(program.Window()));
    HWND button = program.Control(1011);
    PostMessageW(program.Window(), WM_NEXTDLGCTL, WPARAM(button), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return (SendMessageW(button, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0; }));
    TypeKey(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return program.Text(1011) == L"Stop"; })) << "typed keys do not reach the button";
    // XSplit logs the click before it hangs in it.
    ASSERT_TRUE(xsplit.WaitForClicks(1));

    // Stop, and at once more keys and a click: they reach the window while
    // Stop waits, which serves nothing then.
    TypeKey(VK_SPACE);
    TypeKey(VK_SPACE);
    TypeKey(VK_RETURN);
    ClickWithMouse(button);
    ASSERT_TRUE(WaitUntil([&] { return program.Text(1011) == L"Start"; }));
    // Long enough for a worker started by that input to say so.
    Sleep(1000);
    EXPECT_EQ(program.Status(), L"Aborted.");
    EXPECT_EQ(program.Text(1011), L"Start");

    // Keys typed after the wait are the user's again.
    TypeKey(VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1011) == L"Stop"; }));
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
}

} // namespace

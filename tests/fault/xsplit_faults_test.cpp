// XSplit doing harm to a session: killed and restarted, hanging in a click,
// never answering at all, and with more scenes and longer captions than any
// streamer has.
#include <windows.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstdio>
#include <vector>

#include "drive/stored_settings.h"
#include "drive/udp_sender.h"
#include "fault_support.h"

namespace {

class FaultXSplitTest : public StreamingSession {
protected:
    // XSplit hangs for 5 s in the first click it gets, which the first
    // sample makes at once: the worker is then inside that click.
    void LaunchIntoAHangingXSplit()
    {
        ASSERT_NO_FATAL_FAILURE(
            LaunchSession({L"Game", L"Menus", L"Back", L"Away"}, {L"--hang-on-click", L"5000", L"--hang-clicks", L"1"}));
    }
    void StartIntoTheHang()
    {
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ASSERT_TRUE(xsplit.WaitForClicks(1));
    }
    void StartIntoAHungClick()
    {
        ASSERT_NO_FATAL_FAILURE(LaunchIntoAHangingXSplit());
        ASSERT_NO_FATAL_FAILURE(StartIntoTheHang());
    }

    // Once the hung click is over, the worker running now switches as ever.
    void ExpectTheGameSwitchedOnceTheHangIsOver()
    {
        ASSERT_TRUE(WaitUntil([&] { return AnswerTimeMs(xsplit.Window(), 1000) != kNoAnswer; }, 20000));
        ASSERT_TRUE(BringToFront(game.Window()));
        const size_t before = xsplit.Clicks().size();
        game.StartGame();
        ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
        EXPECT_EQ(xsplit.Clicks().back(), L"Game");
        program.PressStartStop();
        EXPECT_EQ(program.Status(), L"Aborted.");
        CloseAndExpectNothingLost();
    }

    // What any program on the desktop may post to the window: every
    // message of the program's range with made-up parameters, the ids of
    // the program's own threads and wild addresses among them.
    void PostMadeUpMessages()
    {
        std::vector<WPARAM> values = {0, 1, 2, 3, 0x7B, 0x205, 0xDEADBEEF};
        HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        ASSERT_NE(threads, INVALID_HANDLE_VALUE);
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(threads, &entry); more; more = Thread32Next(threads, &entry)) {
            if (entry.th32OwnerProcessID == program.Process().Id())
                values.push_back(entry.th32ThreadID);
        }
        CloseHandle(threads);
        for (UINT message = WM_APP; message < WM_APP + 128; ++message) {
            for (WPARAM w : values)
                PostMessageW(program.Window(), message, w, LPARAM(w));
        }
    }

    // The window answers within a second, and the status line still says
    // what it said: nothing posted was read as a text.
    void ExpectFloodShrugged(const std::wstring& status)
    {
        ASSERT_NO_FATAL_FAILURE(PostMadeUpMessages());
        EXPECT_NE(AnswerTimeMs(program.Window(), 1000), kNoAnswer) << "the window stopped answering";
        EXPECT_EQ(program.Status(), status);
    }
};

TEST_F(FaultXSplitTest, KilledMidSessionAndRestartedIsFoundAndSwitchedAgain)
{
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront(L"Menus"));
    game.StartGame();
    ExpectClicks(xsplit, {L"Menus", L"Game"});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        xsplit.Kill();
        ASSERT_TRUE(program.WaitForStatus(L"Finding XSplit window..."));
        // The game ends while XSplit is away: there is no one to tell.
        game.EndGame();
        Sleep(300);
        ASSERT_TRUE(BringToFront(game.Window()));
        const ULONGLONG restarted = GetTickCount64();
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Back", L"Away"}));
        // The new XSplit is told the scene of the game's state at once...
        ASSERT_TRUE(xsplit.WaitForClicks(1));
        std::printf("XSplit restarted: its first scene came %llu ms after its start\n", GetTickCount64() - restarted);
        ExpectClicks(xsplit, {L"Menus"});
        // ...and the next event switches it.
        game.StartGame();
        ExpectClicks(xsplit, {L"Menus", L"Game"});
    }
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
    CloseAndExpectNothingLost();
}

TEST_F(FaultXSplitTest, KilledAndRestartedOnTheXSplitSideIsFoundAgain)
{
    ASSERT_NO_FATAL_FAILURE(StartReceiver({L"Game", L"Menus"}));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ExpectClicks(xsplit, {L"Game"});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        xsplit.Kill();
        // Noticed at the next request, which then waits for the new XSplit.
        ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Menus")));
        ASSERT_TRUE(program.WaitForStatus(L"Lost XSplit, trying to find..."));
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
        ExpectClicks(xsplit, {L"Menus"});
        EXPECT_EQ(program.Status(), L"Remote switching to 'Menus'.");
        ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
        ExpectClicks(xsplit, {L"Menus", L"Game"});
    }
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
    CloseAndExpectNothingLost();
}

// Stop while the worker is caught in a click into XSplit, hung for 5 s:
// Stop does not wait out the click, and the worker it leaves to end
// requests nothing more, though the game starts meanwhile.
TEST_F(FaultXSplitTest, StopDuringAHungClickIsNotHeldByItAndTheWorkerRequestsNothingMore)
{
    ASSERT_NO_FATAL_FAILURE(StartIntoAHungClick());
    const DWORD stop = TimedClick(program, 1011);
    std::printf("Stop during a click into a hung XSplit took %lu ms\n", stop);
    // The click itself is bounded at about 2 s; a Stop that waited for it
    // would take that long.
    EXPECT_LT(stop, 1000u);
    EXPECT_EQ(program.Status(), L"Aborted.");
    EXPECT_EQ(program.Text(1011), L"Start");
    EXPECT_TRUE(program.IsEnabled(1011));
    game.StartGame();
    // An alt+tab the left worker would follow once its click is over.
    ASSERT_TRUE(BringToFront(program.Window()));
    // XSplit answers again after its 5 s; the worker's click ended long before.
    ASSERT_TRUE(WaitUntil([&] { return AnswerTimeMs(xsplit.Window(), 1000) != kNoAnswer; }, 20000));
    Sleep(SimulatedXSplit::kQuietAfterClicksMs);
    EXPECT_EQ(xsplit.Clicks(), (Clicks{L"Menus"})) << "the stopped worker requested a scene after its click";
    EXPECT_EQ(program.Status(), L"Aborted.") << "the stopped worker wrote over what Stop said";
    CloseAndExpectNothingLost();
}

// A Start while the worker that Stop left still finishes its click waits for
// it, says so, and can be taken back; the new worker then switches as ever.
TEST_F(FaultXSplitTest, AStartWhileTheLastClickStillHangsWaitsForItThenRuns)
{
    ASSERT_NO_FATAL_FAILURE(StartIntoAHungClick());
    EXPECT_LT(TimedClick(program, 1011), 1000u);
    // Start, take it back, and Start again: all while the click hangs.
    EXPECT_LT(TimedClick(program, 1011), 1000u);
    EXPECT_EQ(program.Status(), L"Waiting for the last switch to end before starting...");
    EXPECT_EQ(program.Text(1011), L"Stop");
    EXPECT_LT(TimedClick(program, 1011), 1000u);
    EXPECT_EQ(program.Status(), L"Aborted.");
    EXPECT_EQ(program.Text(1011), L"Start");
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Waiting for the last switch to end before starting...");
    // The old worker's click gives up after about 2 s; then the new one
    // runs and takes the game's state, as every Start does.
    ASSERT_TRUE(program.WaitForStatus(L"Last event: Switch to leave game scene.", 20000));
    ExpectTheGameSwitchedOnceTheHangIsOver();
}

// Any program may post to the window. Made-up messages of the program's
// range, while idle, watching and with a click left hanging by Stop, keep
// the window answering, read no text from anywhere, claim no worker's end,
// and leave Start and the switching as they were.
TEST_F(FaultXSplitTest, MadeUpMessagesNeitherHangNorMisleadTheWindow)
{
    ASSERT_NO_FATAL_FAILURE(LaunchIntoAHangingXSplit());
    ASSERT_NO_FATAL_FAILURE(ExpectFloodShrugged(program.Status()));
    ASSERT_NO_FATAL_FAILURE(StartIntoTheHang());
    EXPECT_LT(TimedClick(program, 1011), 1000u);
    ASSERT_NO_FATAL_FAILURE(ExpectFloodShrugged(L"Aborted."));
    EXPECT_EQ(program.Text(1011), L"Start");
    // Once the left click is over, Start watches and switches as ever.
    ASSERT_TRUE(WaitUntil([&] { return AnswerTimeMs(xsplit.Window(), 1000) != kNoAnswer; }, 20000));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Last event: Switch to leave game scene.", 20000));
    ASSERT_NO_FATAL_FAILURE(ExpectFloodShrugged(L"Last event: Switch to leave game scene."));
    ExpectTheGameSwitchedOnceTheHangIsOver();
}

// XSplit's user interface stops for 5 s in the first click it gets, far
// longer than the program waits for one click.
TEST_F(FaultXSplitTest, AHungClickHoldsNeitherTheWorkerNorStop)
{
    ASSERT_NO_FATAL_FAILURE(LaunchSession({L"Game", L"Menus", L"Back", L"Away"}, {L"--hang-on-click", L"5000", L"--hang-clicks", L"1"}));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    // XSplit logs a click before it hangs in it.
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    const ULONGLONG hungAt = GetTickCount64();
    game.StartGame();
    // The worker is back from the click within its bound and takes the next event.
    ASSERT_TRUE(program.WaitForStatus(L"Last event: Switch to enter game scene.", 15000));
    const ULONGLONG workerBack = GetTickCount64() - hungAt;
    const DWORD answer = AnswerTimeMs(program.Window());
    // Stop while the worker is in its click into the still hung XSplit.
    const DWORD stop = TimedClick(program, 1011);
    std::printf("XSplit hung in a click: the worker took the next event after %llu ms, the window answered "
                "in %lu ms, Stop took %lu ms\n", workerBack, answer, stop);
    EXPECT_LT(workerBack, 6000u) << "a click into a hung XSplit is bounded at about 2 s";
    EXPECT_LT(answer, 1000u) << "the window must answer while XSplit hangs";
    EXPECT_LT(stop, 6000u) << "Stop must complete while XSplit hangs";
    EXPECT_EQ(program.Status(), L"Aborted.");
    EXPECT_EQ(program.Text(1011), L"Start");

    // XSplit recovers. Whether it still carries out the click that timed
    // out is the platform's business; the next events switch it for sure.
    ASSERT_TRUE(WaitUntil([&] { return AnswerTimeMs(xsplit.Window(), 1000) != kNoAnswer; }, 20000));
    ASSERT_TRUE(BringToFront(game.Window()));
    const size_t before = xsplit.Clicks().size();
    program.PressStartStop();
    ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    game.EndGame();
    ASSERT_TRUE(xsplit.WaitForClicks(before + 2));
    Sleep(SimulatedXSplit::kQuietAfterClicksMs);
    const Clicks clicks = xsplit.Clicks();
    std::printf("clicks logged by XSplit: %zu (the timed-out one %s)\n", clicks.size(),
                before == 2 ? "carried out late" : "dropped");
    ASSERT_TRUE(before == 1 || before == 2) << before;
    EXPECT_EQ(clicks.front(), L"Menus");
    if (before == 2) {
        EXPECT_EQ(clicks[1], L"Game");
    }
    EXPECT_EQ(Clicks(clicks.begin() + std::ptrdiff_t(before), clicks.end()), (Clicks{L"Game", L"Menus"}));
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultXSplitTest, AHungClickOnTheXSplitSideHoldsNeitherTheReceiverNorStop)
{
    ASSERT_NO_FATAL_FAILURE(StartReceiver({L"Game", L"Menus"}, {L"--hang-on-click", L"5000", L"--hang-clicks", L"1"}));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    const ULONGLONG hungAt = GetTickCount64();
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Menus")));
    // The receiver is back from the click within its bound and takes the next request.
    ASSERT_TRUE(program.WaitForStatus(L"Remote switching to 'Menus'.", 15000));
    const ULONGLONG receiverBack = GetTickCount64() - hungAt;
    const DWORD answer = AnswerTimeMs(program.Window());
    const DWORD stop = TimedClick(program, 1011);
    std::printf("XSplit hung in a click on the XSplit side: the receiver took the next request after %llu ms, "
                "the window answered in %lu ms, Stop took %lu ms\n", receiverBack, answer, stop);
    EXPECT_LT(receiverBack, 6000u) << "a click into a hung XSplit is bounded at about 2 s";
    EXPECT_LT(answer, 1000u);
    EXPECT_LT(stop, 6000u);
    EXPECT_EQ(program.Status(), L"Aborted.");

    ASSERT_TRUE(WaitUntil([&] { return AnswerTimeMs(xsplit.Window(), 1000) != kNoAnswer; }, 20000));
    const size_t before = xsplit.Clicks().size();
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    Sleep(SimulatedXSplit::kQuietAfterClicksMs);
    EXPECT_EQ(xsplit.Clicks().size(), before + 1);
    EXPECT_EQ(xsplit.Clicks().back(), L"Game");
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

// An XSplit that never answers a message again, then killed by the streamer
// and started anew.
TEST_F(FaultXSplitTest, AnXSplitThatNeverAnswersCostsEachClickAtMostItsBound)
{
    ASSERT_NO_FATAL_FAILURE(LaunchSession({L"Game", L"Menus", L"Back", L"Away"}, {L"--hang"}));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Last event: Switch to leave game scene."));
    // Each event reaches the status line, however long XSplit keeps silent.
    const wchar_t* statuses[] = {L"Last event: Switch to enter game scene.", L"Last event: Switch to leave game scene.",
                                 L"Last event: Switch to enter game scene."};
    for (int event = 0; event < 3; ++event) {
        const ULONGLONG before = GetTickCount64();
        if (event % 2 == 0)
            game.StartGame();
        else
            game.EndGame();
        ASSERT_TRUE(program.WaitForStatus(statuses[event], 15000)) << "event " << event;
        std::printf("event %d reached the status line after %llu ms\n", event, GetTickCount64() - before);
    }
    EXPECT_LT(AnswerTimeMs(program.Window()), 1000u);
    const DWORD stop = TimedClick(program, 1011);
    std::printf("Stop with an XSplit that never answers took %lu ms\n", stop);
    EXPECT_LT(stop, 6000u);
    EXPECT_EQ(program.Status(), L"Aborted.");

    // The streamer ends the hung XSplit and starts it again.
    xsplit.Kill();
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Back", L"Away"}));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ExpectClicks(xsplit, {L"Game"});
    game.EndGame();
    ExpectClicks(xsplit, {L"Game", L"Menus"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

// The streamer gives up on a session whose XSplit hangs and closes the
// program while its click into XSplit is still waiting.
TEST_F(FaultXSplitTest, ClosingDuringAClickIntoAHungXSplitEndsTheProgramCleanly)
{
    ASSERT_NO_FATAL_FAILURE(LaunchSession({L"Game", L"Menus", L"Back", L"Away"}, {L"--hang"}));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Last event: Switch to leave game scene."));
    const ULONGLONG before = GetTickCount64();
    CloseAndExpectNothingLost();
    std::printf("closed during a click into a hung XSplit: the process ended after %llu ms\n",
                GetTickCount64() - before);
}

TEST_F(FaultXSplitTest, FiveHundredScenesAndCaptionsOfAThousandCharacters)
{
    constexpr int kScenes = 500;
    constexpr size_t kLongCaptionChars = 1000;
    constexpr size_t kComparedChars = 254;
    std::vector<std::wstring> scenes;
    for (int i = 1; i <= kScenes; ++i)
        scenes.push_back(L"Scene " + std::to_wstring(i));
    // Two long captions that differ only after the characters compared:
    // the first one in window order is the one clicked.
    const std::wstring longCaption = AlphabetText(kLongCaptionChars);
    std::wstring twin = longCaption;
    twin[600] = L'#';
    scenes.push_back(longCaption);
    scenes.push_back(twin);
    settings.enterScene = L"Scene 500";
    settings.leaveScene = longCaption.substr(0, kComparedChars);
    settings.tabInScene = L"Scene 1";
    settings.tabOutScene = L"Scene 250";
    ASSERT_NO_FATAL_FAILURE(LaunchSession(scenes, {L"--title", AlphabetText(kLongCaptionChars, L'k')}));
    ASSERT_EQ(GetWindowTextLengthW(xsplit.Window()), int(kLongCaptionChars));

    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront(longCaption));
    for (int round = 0; round < 2; ++round) {
        ULONGLONG before = GetTickCount64();
        game.StartGame();
        ASSERT_TRUE(xsplit.WaitForClicks(size_t(2 + 2 * round)));
        std::printf("a click among %d buttons reached XSplit %llu ms after the game started\n", kScenes + 2,
                    GetTickCount64() - before);
        before = GetTickCount64();
        game.EndGame();
        ASSERT_TRUE(xsplit.WaitForClicks(size_t(3 + 2 * round)));
        std::printf("the long caption was clicked %llu ms after the game ended\n", GetTickCount64() - before);
    }
    ExpectClicks(xsplit, {longCaption, L"Scene 500", longCaption, L"Scene 500", longCaption});
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

} // namespace

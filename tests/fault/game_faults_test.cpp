// The game doing harm to a session: killed and started again as a new
// process with a new window, and a game whose flag memory goes away.
#include <cstdio>

#include "fault_support.h"

namespace {

// Where the game's memory can be taken away from under the program: Wine
// reads free memory below 0x68000000 as zeros. The sample patch table lists
// this address as its second version.
constexpr DWORD kReleasableFlagAddress = 0x70000000;

class FaultGameTest : public StreamingSession {
protected:
    void ExpectScenes(const Clicks& expected) { ExpectScenesOnAir(xsplit, expected); }
};

const wchar_t* SceneOf(bool inGame)
{
    return inGame ? L"Game" : L"Menus";
}

TEST_F(FaultGameTest, KilledAndStartedAgainAsANewProcessIsWatchedAgain)
{
    ASSERT_NO_FATAL_FAILURE(LaunchSession());
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront(L"Menus"));
    game.StartGame();
    Clicks expected = {L"Menus", L"Game"};
    ExpectScenes(expected);
    // cppcheck-suppress variableScope ; it carries the game's state from one round to the next
    bool inGame = true;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const DWORD oldProcess = game.Process().Id();
        game.Kill();
        ASSERT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
        // The game comes back in the other state from the one it died in.
        inGame = !inGame;
        const ULONGLONG restarted = GetTickCount64();
        ASSERT_TRUE(game.Launch(kSimFlagAddress, inGame));
        EXPECT_NE(game.Process().Id(), oldProcess);
        ASSERT_TRUE(BringToFront(game.Window()));
        expected.push_back(SceneOf(inGame));
        ExpectScenes(expected);
        std::printf("the game started again: its scene came %llu ms after its start\n", GetTickCount64() - restarted);
        // The next events switch; an odd number of them on alternate rounds,
        // so that the game dies in either state and comes back in either.
        const int events = round % 2 == 0 ? 2 : 1;
        for (int event = 0; event < events; ++event) {
            inGame = !inGame;
            ASSERT_TRUE(game.SetFlag(inGame ? 1 : 0));
            expected.push_back(SceneOf(inGame));
            ExpectScenes(expected);
        }
    }
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

TEST_F(FaultGameTest, FlagMemoryThatBecomesUnreadableSendsTheWorkerBackToLooking)
{
    ASSERT_NO_FATAL_FAILURE(LaunchSession({L"Game", L"Menus", L"Back", L"Away"}, {}, kReleasableFlagAddress));
    ASSERT_TRUE(program.WaitForPatchCount(2));
    ASSERT_EQ(program.PatchItems()[1].address, kReleasableFlagAddress) << "the sample document changed";
    program.PickPatch(1);
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront(L"Menus"));
    game.StartGame();
    ExpectClicks(xsplit, {L"Menus", L"Game"});

    ASSERT_TRUE(game.MakeFlagUnreadable());
    // The worker treats the game as lost and looks for it again and again,
    // since the window is still there; it switches nothing meanwhile.
    std::vector<std::wstring> seen;
    ASSERT_TRUE(program.WaitForStatusSeen(L"Finding StarCraft II window...", &seen));
    seen.clear();
    const DWORD kWatchMs = 2000;
    program.WaitForStatusSeen(L"(never shown)", &seen, kWatchMs);
    size_t searches = 0;
    for (const std::wstring& status : seen) {
        EXPECT_TRUE(status == L"Finding StarCraft II window..." || status == L"Finding XSplit window..." ||
                    status == L"Running. Waiting for events...")
            << testing::PrintToString(status);
        searches += status == L"Finding StarCraft II window..." ? 1 : 0;
    }
    std::printf("with the flag unreadable the worker searched again at least %zu times in %lu ms\n", searches, kWatchMs);
    EXPECT_GE(searches, 2u) << "the worker is stuck rather than looking again";
    ExpectClicks(xsplit, {L"Menus", L"Game"});

    const DWORD stop = TimedClick(program, 1011);
    std::printf("Stop while the worker looked again and again took %lu ms\n", stop);
    EXPECT_LT(stop, 5000u);
    EXPECT_EQ(program.Status(), L"Aborted.");

    // The streamer starts the game again: it is watched at once, at the same address.
    ASSERT_TRUE(game.Launch(kReleasableFlagAddress, true));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ExpectClicks(xsplit, {L"Menus", L"Game", L"Game"});
    game.EndGame();
    ExpectClicks(xsplit, {L"Menus", L"Game", L"Game", L"Menus"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

} // namespace

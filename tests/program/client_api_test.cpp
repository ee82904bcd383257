// Scene switching with the game's state read from its client API: the real
// program, the simulated game's screens and the simulated XSplit. With the
// client API no patch table is loaded, so every switch here comes from the
// API; the game's memory is never read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

using Clicks = std::vector<std::wstring>;

class ClientApiTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
        ASSERT_TRUE(patchServer.Start());
        ASSERT_TRUE(game.LaunchWithApi());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Away", L"Back"}));
        program.UseOutsidePatchServer();
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    }

    void TearDown() override
    {
        EXPECT_TRUE(patchServer.Requests().empty()) << "the client API needs no patch table";
        DeleteSettings();
    }

    void StartWithGameInFront(const std::wstring& firstScene = L"Menus")
    {
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ExpectClicks({firstScene});
    }

    void ExpectClicks(const Clicks& expected) { EXPECT_EQ(xsplit.SettledClicks(expected.size()), expected); }

    LocalPatchServer patchServer;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(ClientApiTest, GameStartAndTheScoreScreenSwitchScenes)
{
    StartWithGameInFront();
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Game"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to enter game scene.");
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
    ASSERT_TRUE(game.ShowMenus());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

TEST_F(ClientApiTest, TheLoadingScreenIsNotYetAGame)
{
    StartWithGameInFront();
    ASSERT_TRUE(game.ShowLoading());
    ExpectClicks({L"Menus"});
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Game"});
}

// Casters show their game scene for a replay too.
TEST_F(ClientApiTest, AReplayCountsAsAGame)
{
    StartWithGameInFront();
    ASSERT_TRUE(game.StartReplay());
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowMenus());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

TEST_F(ClientApiTest, AltTabSwitchesToTheTabScenes)
{
    StartWithGameInFront();
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Menus", L"Away"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Menus", L"Away", L"Back"});
}

TEST_F(ClientApiTest, ApplyGameStatusOnAltTabRepeatsTheGameScene)
{
    program.SetChecked(1005, true);
    ASSERT_TRUE(game.EnterGame());
    StartWithGameInFront(L"Game");
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Game", L"Game"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Game", L"Game", L"Game"});
}

TEST_F(ClientApiTest, AGameThatStartsWhileTabbedOutIsLeftToTheTabInScene)
{
    StartWithGameInFront();
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Menus", L"Away"});
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Away"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Menus", L"Away", L"Back"});
}

TEST_F(ClientApiTest, ApplyGameStatusWhenTabbedOutSwitchesWithoutTheGameInFront)
{
    program.SetChecked(1010, true);
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    program.PressStartStop();
    ExpectClicks({L"Menus"});
    ASSERT_TRUE(game.StartReplay());
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

// While the game starts or closes its API may be gone for a moment. An
// answer that is late or missing changes nothing; an API silent for 2 s
// loses the game, and the status line says the game does not answer. Once
// it answers again the scene of the game's state is applied once, as after
// any new finding of the game.
TEST_F(ClientApiTest, TheApiGoingAwayAndComingBack)
{
    StartWithGameInFront();
    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 1));
    EXPECT_TRUE(program.WaitForStatus(LocalApiSilentStatus())) << "the silent API is not said";
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus"});
    ASSERT_TRUE(game.ClearApiFaults());
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

// A single answer too slow for its sample, or none at all for less than
// 2 s, is no event: no scene is sent again (which would override a scene
// the streamer picked by hand) and the status line does not flicker.
TEST_F(ClientApiTest, ABriefSilenceOfTheApiSwitchesNothingAndLosesNothing)
{
    StartWithGameInFront();
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Game"});
    std::vector<std::wstring> seen;
    // Answers slower than a sample can wait, then none: each for less
    // than the 2 s, with answers between them.
    ASSERT_TRUE(game.SetApiFault(kSimApiSlow, 300));
    Sleep(800);
    ASSERT_TRUE(game.ClearApiFaults());
    Sleep(500);
    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 1));
    Sleep(800);
    ASSERT_TRUE(game.ClearApiFaults());
    EXPECT_FALSE(program.WaitForStatusSeen(L"Finding StarCraft II window...", &seen, 1500))
        << "a short silence lost the game";
    ExpectClicks({L"Menus", L"Game"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to enter game scene.");
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

// An answer sent in chunks, as a server that streams its answers would,
// reads as the same answer.
TEST_F(ClientApiTest, ChunkedAnswersAreReadAlike)
{
    ASSERT_TRUE(game.SetApiFault(kSimApiChunked, 1));
    const HttpAnswer answer = game.GetApi(L"/ui");
    ASSERT_EQ(answer.Header("Transfer-Encoding"), "chunked") << "the stand-in does not send chunks";
    StartWithGameInFront();
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
    std::vector<std::wstring> seen;
    EXPECT_FALSE(program.WaitForStatusSeen(L"Finding StarCraft II window...", &seen, 500));
}

// The game's memory says nothing here: the flag byte written from outside
// is not what the client API reports, and only the API counts.
TEST_F(ClientApiTest, TheFlagInTheGamesMemoryIsNotRead)
{
    StartWithGameInFront();
    ASSERT_TRUE(game.SetFlag(1));
    ExpectClicks({L"Menus"});
    ASSERT_TRUE(game.EnterGame());
    ASSERT_TRUE(game.SetFlag(0));
    ExpectClicks({L"Menus", L"Game"});
}

TEST_F(ClientApiTest, StopAndStartAgainApplyTheCurrentState)
{
    StartWithGameInFront();
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Game"});
    program.PressStartStop();
    EXPECT_EQ(program.Status(), L"Aborted.");
    program.PressStartStop();
    ExpectClicks({L"Menus", L"Game", L"Game"});
    program.PressStartStop();
}

} // namespace

// Pausing switching, as the streamer takes the scenes over for a while: no
// scene is requested, the game is still followed, and on resume the scene
// of the game's state at that moment is requested once.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stand_in_tray.h"
#include "drive/tray_menu.h"

namespace {

using Clicks = std::vector<std::wstring>;

constexpr wchar_t kPausedPrefix[] = L"Paused: no scene is switched.";

class PauseSwitchingTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        tray = std::make_unique<StandInTray>();
        ASSERT_TRUE(tray->Start()) << "Shell_NotifyIconW would not find the stand-in first";
        ASSERT_TRUE(game.Launch());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Away", L"Back"}));
        ASSERT_TRUE(program.Launch());
        ASSERT_TRUE(tray->WaitForIcon(program.Window())) << "no icon in the tray";
        // The tray's menu takes the foreground from the game, as it does on
        // any desktop: no tab scenes, so that only the game's state switches.
        program.NameScenes(L"Game", L"Menus", L"", L"");
        program.SetChecked(1010, true);  // Apply game status when tabbed out
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ExpectClicks({L"Menus"});
    }

    void ExpectClicks(const Clicks& expected) { EXPECT_EQ(xsplit.SettledClicks(expected.size()), expected); }
    bool StatusSaysPaused() const { return program.Status().rfind(kPausedPrefix, 0) == 0; }

    std::unique_ptr<StandInTray> tray;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(PauseSwitchingTest, NothingIsClickedWhilePausedAndTheCurrentSceneOnceOnResume)
{
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'p'));
    ASSERT_TRUE(WaitUntil([&] { return StatusSaysPaused(); })) << "status: " << testing::PrintToString(program.Status());
    // The game and the focus change while paused: all followed, none clicked.
    game.StartGame();
    ASSERT_TRUE(BringToFront(program.Window()));
    ASSERT_TRUE(BringToFront(game.Window()));
    game.EndGame();
    game.StartGame();
    Sleep(1000);
    ExpectClicks({L"Menus"});
    EXPECT_TRUE(StatusSaysPaused()) << "the worker's texts showed over the pause";
    // Resumed: the game's state now is a game, with the game in front.
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'r'));
    ExpectClicks({L"Menus", L"Game"});
    EXPECT_FALSE(StatusSaysPaused());
    // And switching goes on as ever.
    game.EndGame();
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

TEST_F(PauseSwitchingTest, ResumingWithNothingChangedStillPutsTheScenesBack)
{
    // The streamer switched by hand while paused: resume takes over again.
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'p'));
    ASSERT_TRUE(WaitUntil([&] { return StatusSaysPaused(); }));
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'r'));
    ExpectClicks({L"Menus", L"Menus"});
    EXPECT_FALSE(StatusSaysPaused());
    // A pause across Stop and Start: nothing is clicked by the new worker
    // either, until resumed.
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'p'));
    program.PressStartStop();
    program.PressStartStop();
    Sleep(1000);
    ExpectClicks({L"Menus", L"Menus"});
    ASSERT_TRUE(ChooseFromTrayMenu(*tray, program, L'r'));
    ExpectClicks({L"Menus", L"Menus", L"Menus"});
}

} // namespace

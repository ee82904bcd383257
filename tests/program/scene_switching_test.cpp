// Scene switching from end to end: the real program watching the simulated
// game and clicking the simulated XSplit's scene buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drive/program.h"
#include "drive/network_setup.h"
#include "drive/scenes_dialog.h"
#include "drive/simulators.h"
#include "drive/tray_menu.h"

namespace {

using Clicks = std::vector<std::wstring>;

class SceneSwitchingTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(game.Launch());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Away", L"Back", L"Other"}));
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    }

    // Starts watching with the game in front; the first sample applies the
    // scene of the game's current state.
    void StartWithGameInFront(const std::wstring& firstScene = L"Menus")
    {
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ExpectClicks({firstScene});
    }

    void ExpectClicks(const Clicks& expected) { EXPECT_EQ(xsplit.SettledClicks(expected.size()), expected); }

    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(SceneSwitchingTest, GameStartAndEndSwitchScenesWhileTheGameIsInFront)
{
    StartWithGameInFront();
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
    game.StartGame();
    ExpectClicks({L"Menus", L"Game"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to enter game scene.");
    game.EndGame();
    ExpectClicks({L"Menus", L"Game", L"Menus"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
}

TEST_F(SceneSwitchingTest, AltTabSwitchesToTheTabScenes)
{
    StartWithGameInFront();
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Menus", L"Away"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to tab out scene.");
    // Between two windows that are not the game nothing happens.
    ASSERT_TRUE(BringToFront(program.Window()));
    ExpectClicks({L"Menus", L"Away"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Menus", L"Away", L"Back"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to tab in scene.");
}

TEST_F(SceneSwitchingTest, ApplyGameStatusOnAltTabRepeatsTheGameScene)
{
    program.SetChecked(1005, true);
    game.StartGame();
    StartWithGameInFront(L"Game");
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Game", L"Game"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to enter game scene.");
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Game", L"Game", L"Game"});
}

TEST_F(SceneSwitchingTest, AGameThatStartsWhileTabbedOutIsLeftToTheTabInScene)
{
    StartWithGameInFront();
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Menus", L"Away"});
    game.StartGame();
    ExpectClicks({L"Menus", L"Away"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Menus", L"Away", L"Back"});
}

TEST_F(SceneSwitchingTest, AGameThatStartsWhileTabbedOutWithApplyOnTabShowsTheGameOnReturn)
{
    StartWithGameInFront();
    program.SetChecked(1005, true);
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectClicks({L"Menus", L"Menus"});
    game.StartGame();
    ExpectClicks({L"Menus", L"Menus"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ExpectClicks({L"Menus", L"Menus", L"Game"});
}

TEST_F(SceneSwitchingTest, ApplyGameStatusWhenTabbedOutSwitchesWithoutTheGameInFront)
{
    program.SetChecked(1010, true);
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    program.PressStartStop();
    ExpectClicks({L"Menus"});
    game.StartGame();
    ExpectClicks({L"Menus", L"Game"});
    game.EndGame();
    ExpectClicks({L"Menus", L"Game", L"Menus"});
}

TEST_F(SceneSwitchingTest, AnEmptySlotShowsItsEventAndClicksNothing)
{
    program.SetText(1007, L"");
    StartWithGameInFront();
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    EXPECT_TRUE(program.WaitForStatus(L"Last event: Switch to tab out scene."));
    ExpectClicks({L"Menus"});
}

TEST_F(SceneSwitchingTest, SceneNamesAreReadAtTheMomentOfTheEvent)
{
    StartWithGameInFront();
    program.SetText(1004, L"Other");
    game.StartGame();
    ExpectClicks({L"Menus", L"Other"});
}

TEST_F(SceneSwitchingTest, ASceneThatXSplitLacksIsReportedWithItsNearestAndMarked)
{
    program.SetText(1006, L"menus");
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Error: Scene 'menus' not found. Did you mean 'Menus'?"));
    EXPECT_TRUE(xsplit.Clicks().empty());
    // The buttons read at the start stay known after Stop: a name set from
    // outside is checked at once.
    program.PressStartStop();
    ASSERT_TRUE(BringToFront(program.Window()));
    program.SetText(1006, L"Gme");
    EXPECT_TRUE(program.WaitForStatus(L"Check the scene names: 'Gme' is not a scene of XSplit."));
    using Texts = std::vector<std::wstring>;
    EXPECT_TRUE(WaitUntil([&] { return program.ShownBalloons() == Texts{L"Did you mean 'Game'?"}; }))
        << testing::PrintToString(program.ShownBalloons());
    program.SetText(1006, L"Menus");
    EXPECT_TRUE(WaitUntil([&] { return program.ShownBalloons().empty(); }));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ExpectClicks({L"Menus"});
}

// The field's list as the user meets it, before any Start: the first look
// reads XSplit's buttons; Down drops the whole list and walks it, putting
// each entry in the field; typed letters narrow it. (Wine's autocomplete
// drops the list with Down, not with Alt+Down.)
TEST_F(SceneSwitchingTest, AFieldOffersXSplitsButtonsAndPutsTheChoiceInIt)
{
    ASSERT_TRUE(BringToFront(program.Window()));
    program.SetText(1004, L"");
    ASSERT_TRUE(FocusField(program.Control(1004)));
    ASSERT_TRUE(WaitUntil([&] {
        TypeKey(VK_ESCAPE);
        TypeKey(VK_DOWN);
        return WaitUntil([&] { return program.SuggestionCount() == 5; }, 500);
    })) << "the list never showed XSplit's five scenes";
    Clicks chosen;
    for (int i = 0; i < 5; ++i) {
        const std::wstring before = program.Text(1004);
        TypeKey(VK_DOWN);
        WaitUntil([&] { return program.Text(1004) != before; }, 2000);
        chosen.push_back(program.Text(1004));
    }
    std::sort(chosen.begin(), chosen.end());
    EXPECT_EQ(chosen, (Clicks{L"Away", L"Back", L"Game", L"Menus", L"Other"}));
    TypeKey(VK_ESCAPE);
    program.SetText(1004, L"");
    TypeText(L"B");
    EXPECT_TRUE(WaitUntil([&] { return program.SuggestionCount() == 1; }));
    TypeKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1004) == L"Back"; }));
    // The Scenes dialog's fields offer the same list.
    const HWND scenes = OpenScenes(program);
    ASSERT_NE(scenes, nullptr);
    ASSERT_TRUE(FocusField(GetDlgItem(scenes, kScenesReplay)));
    TypeText(L"O");
    EXPECT_TRUE(WaitUntil([&] { return program.SuggestionCount() == 1; }));
    TypeKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] {
        wchar_t text[16] = {};
        SendDlgItemMessageW(scenes, kScenesReplay, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
        return std::wstring(text) == L"Other";
    }));
    // Its list's button: a choice from the menu is put in the field, and a
    // name XSplit lacks shows the field's mark.
    PressScenesButton(scenes, kScenesFirstListButton + 3);
    const HWND menu = WaitForPopupMenu(program);
    ASSERT_NE(menu, nullptr);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(scenes, kScenesVictory)) == L"Game"; }));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(scenes, kScenesFirstMark + 3)));
    SetDlgItemTextW(scenes, kScenesVictory, L"Gme");
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(scenes, kScenesFirstMark + 3)) != FALSE; }));
    PressScenesButton(scenes, IDCANCEL);
    // Where nothing can be listed, Down says why on the field.
    program.SetChecked(1013, true);
    ASSERT_TRUE(BringToFront(program.Window()));
    ASSERT_TRUE(FocusField(program.Control(1004)));
    TypeKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] {
        return program.ShownBalloons() ==
               std::vector<std::wstring>{L"No scenes to list: in network mode this computer cannot see the broadcaster."};
    })) << testing::PrintToString(program.ShownBalloons());
}

TEST_F(SceneSwitchingTest, LosingXSplitGoesBackToLookingForIt)
{
    StartWithGameInFront();
    xsplit.Kill();
    EXPECT_TRUE(program.WaitForStatus(L"Finding XSplit window..."));
    // XSplit back: the scene of the current state is applied again.
    SimulatedXSplit again;
    ASSERT_TRUE(again.Launch({L"Game", L"Menus"}));
    ASSERT_TRUE(BringToFront(game.Window()));
    EXPECT_TRUE(again.WaitForClicks(1));
    EXPECT_EQ(again.Clicks(), Clicks{L"Menus"});
}

TEST_F(SceneSwitchingTest, ARestartedGameIsFoundAndItsSceneAppliedAgain)
{
    // Whether the new window is in front at the first sample or comes to
    // the front just after, the game's scene is what the streamer sees.
    program.SetChecked(1005, true);
    StartWithGameInFront();
    game.Kill();
    EXPECT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    SimulatedGame restarted;
    ASSERT_TRUE(restarted.Launch(kSimFlagAddress, true));
    ASSERT_TRUE(BringToFront(restarted.Window()));
    ExpectClicks({L"Menus", L"Game"});
}

} // namespace

// The session's record in a text source of the real OBS Studio: set on every
// connection and after each game counted, also after OBS was restarted; a
// source OBS does not have is said, and switching goes on. What the source
// shows is asked of OBS itself (GetInputSettings).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/network_setup.h"
#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "drive/program.h"
#include "drive/record_dialog.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

const std::vector<std::string> kObsScenes = {"Game", "Menus"};
constexpr char kPassword[] = "record-Passw0rd";
constexpr wchar_t kPasswordText[] = L"record-Passw0rd";
constexpr char kSource[] = "Record";

const SimLineupPlayer kKestrel = {"Kestrel", "user", "Zerg", "Victory"};
const SimLineupPlayer kMaru = {"Maru", "user", "Terr", "Defeat"};

class ObsRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-record"), kObsScenes, kPassword)) << obs.Error();
        ASSERT_TRUE(watcher.Connect(kObsTestPort, kPassword, kObsEventScenes)) << watcher.Error();
        ASSERT_TRUE(watcher.CreateTextSource("Game", kSource, "before Kestrelcue")) << watcher.Error();
        ASSERT_TRUE(StoreObsChosen(L"localhost", kObsTestPort, kPasswordText));
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
        ASSERT_TRUE(WriteStoredString(L"Player Names", L"Kestrel"));
        ASSERT_TRUE(WriteStoredString(L"Record Format", L"{wins}W {losses}L"));
        ASSERT_TRUE(game.LaunchWithApi());
    }

    void TearDown() override { DeleteSettings(); }

    void StartProgram(const wchar_t* source)
    {
        ASSERT_TRUE(WriteStoredString(L"OBS Record Source", source));
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"", L"");
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ASSERT_EQ(NextSceneOnAir(), "Menus");
    }

    std::string NextSceneOnAir()
    {
        ObsSceneChange change;
        if (!watcher.WaitForSceneChange(&change, 15000))
            return "(none: " + watcher.Error() + ")";
        return change.sceneName;
    }

    // A game against Maru, won or lost, its scenes on air in OBS.
    void Play(bool (SimulatedGame::*end)())
    {
        ASSERT_TRUE(game.SetLineup({kKestrel, kMaru}));
        ASSERT_TRUE(game.ShowLoading());
        Sleep(400);
        ASSERT_TRUE(game.EnterGame());
        ASSERT_EQ(NextSceneOnAir(), "Game");
        ASSERT_TRUE((game.*end)());
        ASSERT_EQ(NextSceneOnAir(), "Menus");
    }

    // Waits until the source shows `expected`; what it showed otherwise.
    std::string SourceShows(ObsWebSocket& client, const std::string& expected)
    {
        std::string text;
        WaitUntil([&] { return client.GetInputText(kSource, &text) && text == expected; }, 20000);
        return text;
    }

    ObsStudio obs;
    ObsWebSocket watcher;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

// Given on connecting, then after each game counted, and again after OBS
// was killed and started again; an edit by hand meanwhile shows then.
TEST_F(ObsRecordTest, TheTextSourceCarriesTheRecordAcrossARestartOfObs)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(L"Record"));
    EXPECT_EQ(SourceShows(watcher, "0W 0L"), "0W 0L") << "not given on connecting";
    ASSERT_NO_FATAL_FAILURE(Play(&SimulatedGame::ShowScore));
    EXPECT_EQ(SourceShows(watcher, "1W 0L"), "1W 0L");
    ASSERT_NO_FATAL_FAILURE(Play(&SimulatedGame::ShowLostScore));
    EXPECT_EQ(SourceShows(watcher, "1W 1L"), "1W 1L");

    watcher.Close();
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    EXPECT_TRUE(program.WaitForStatus(L"Connecting to OBS...", 20000));
    HWND dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, kRecordWins, L"5");
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ASSERT_TRUE(obs.Restart()) << obs.Error();
    ObsWebSocket again;
    ASSERT_TRUE(WaitUntil([&] { return again.Connect(kObsTestPort, kPassword); }, 30000)) << again.Error();
    EXPECT_EQ(SourceShows(again, "5W 1L"), "5W 1L") << "not given again on the new connection";
    program.PressStartStop();
}

// A source OBS does not have: said once a connection, and the scenes still
// switch; a game counted on the same connection does not say it again.
TEST_F(ObsRecordTest, ASourceObsDoesNotHaveIsSaidAndSwitchingGoesOn)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram(L"Nope"));
    EXPECT_TRUE(program.WaitForStatus(L"Error: OBS has no text source 'Nope'."));
    ASSERT_NO_FATAL_FAILURE(Play(&SimulatedGame::ShowScore));
    Sleep(500);
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.") << "said again on the same connection";
    std::string text;
    ASSERT_TRUE(watcher.GetInputText(kSource, &text)) << watcher.Error();
    EXPECT_EQ(text, "before Kestrelcue") << "another source's text was set";
    program.PressStartStop();
}

} // namespace

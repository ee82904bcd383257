// Scene switching in the real OBS Studio: the real program, with OBS Studio
// chosen in its settings, watching the simulated game. What is on air is
// asked of OBS itself (its CurrentProgramSceneChanged events, and
// GetCurrentProgramScene), never of the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

const std::vector<std::string> kObsScenes = {"Start", "Game", "Menus", "Away", "Back"};
constexpr char kPassword[] = "kestrel-Passw0rd";
constexpr wchar_t kPasswordText[] = L"kestrel-Passw0rd";

class ObsSwitchingTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-switching"), kObsScenes, PasswordOfObs())) << obs.Error();
        ASSERT_TRUE(watcher.Connect(kObsTestPort, PasswordOfObs(), kObsEventScenes)) << watcher.Error();
        ASSERT_TRUE(StoreObsChosen(L"localhost", kObsTestPort, PasswordOfProgram()));
        ASSERT_TRUE(game.Launch());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus", L"Away", L"Back"}));
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    }

    void TearDown() override
    {
        EXPECT_TRUE(xsplit.Clicks().empty()) << "XSplit was clicked with OBS Studio chosen";
        DeleteSettings();
    }

    virtual std::string PasswordOfObs() const { return kPassword; }
    virtual std::wstring PasswordOfProgram() const { return kPasswordText; }

    // The next scene OBS puts on air.
    std::string NextSceneOnAir(DWORD timeoutMs = 15000)
    {
        ObsSceneChange change;
        if (!watcher.WaitForSceneChange(&change, timeoutMs))
            return "(none: " + watcher.Error() + ")";
        return change.sceneName;
    }

    // No scene goes on air for a while.
    void ExpectNoSwitch(DWORD quietMs = 600)
    {
        ObsSceneChange change;
        EXPECT_FALSE(watcher.WaitForSceneChange(&change, quietMs)) << "OBS switched to " << change.sceneName;
    }

    void StartWithGameInFront()
    {
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ASSERT_EQ(NextSceneOnAir(), "Menus");
    }

    std::string OnAir()
    {
        std::string name;
        return watcher.GetCurrentProgramScene(&name) ? name : "(unknown: " + watcher.Error() + ")";
    }

    ObsStudio obs;
    ObsWebSocket watcher;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(ObsSwitchingTest, EveryEventOfTheWatchLoopSwitchesObs)
{
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
    game.StartGame();
    EXPECT_EQ(NextSceneOnAir(), "Game");
    EXPECT_EQ(program.Status(), L"Last event: Switch to enter game scene.");
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    EXPECT_EQ(NextSceneOnAir(), "Away");
    ASSERT_TRUE(BringToFront(game.Window()));
    EXPECT_EQ(NextSceneOnAir(), "Back");
    game.EndGame();
    EXPECT_EQ(NextSceneOnAir(), "Menus");
    ExpectNoSwitch();
    EXPECT_EQ(OnAir(), "Menus");
}

TEST_F(ObsSwitchingTest, ApplyGameStatusOnAltTabAndWhenTabbedOut)
{
    program.SetChecked(1005, true);
    program.SetChecked(1010, true);
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    game.StartGame();
    EXPECT_EQ(NextSceneOnAir(), "Game");
    // Tabbed out, the game's own scene is shown again, not the tab scene.
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ExpectNoSwitch();
    EXPECT_EQ(OnAir(), "Game");
    // The game ends while tabbed out, and that switches.
    game.EndGame();
    EXPECT_EQ(NextSceneOnAir(), "Menus");
}

TEST_F(ObsSwitchingTest, ASceneObsDoesNotHaveIsReportedWithItsNearest)
{
    program.SetText(1004, L"game");
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    game.StartGame();
    EXPECT_TRUE(program.WaitForStatus(L"Error: Scene 'game' not found. Did you mean 'Game'?"));
    ExpectNoSwitch();
    EXPECT_EQ(OnAir(), "Menus");
    // The connection is still good: the next event switches.
    game.EndGame();
    program.SetText(1006, L"Away");
    EXPECT_EQ(NextSceneOnAir(), "Away");
}

// The list kept by OBS's events while watching: a rename is followed by
// the field and by the switch, a removed scene marks its field, a created
// one is offered.
TEST_F(ObsSwitchingTest, ScenesRenamedRemovedAndCreatedInObsWhileWatching)
{
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    ASSERT_TRUE(watcher.RenameScene("Game", "Game 1440p")) << watcher.Error();
    EXPECT_TRUE(program.WaitForStatus(L"Scene 'Game' is now 'Game 1440p' in OBS Studio; Kestrelcue follows it."));
    EXPECT_EQ(program.Text(1004), L"Game 1440p");
    game.StartGame();
    EXPECT_EQ(NextSceneOnAir(), "Game 1440p");
    ASSERT_TRUE(watcher.RemoveScene("Away")) << watcher.Error();
    EXPECT_TRUE(program.WaitForStatus(L"Check the scene names: 'Away' is not a scene of OBS Studio."));
    ASSERT_TRUE(watcher.CreateScene("Away from keyboard")) << watcher.Error();
    ASSERT_TRUE(BringToFront(program.Window()));
    program.SetText(1007, L"");
    ASSERT_TRUE(FocusField(program.Control(1007)));
    // Typed again until the list offers it: the worker reads OBS's events
    // between its samples, and the list looked at before that is empty.
    ASSERT_TRUE(WaitUntil([&] {
        TypeText(L"Aw");
        const bool offered = WaitUntil([&] { return program.SuggestionCount() == 1; }, 500);
        if (!offered)
            program.SetText(1007, L"");
        return offered;
    }));
    TypeKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1007) == L"Away from keyboard"; }));
}

// While not watching, the first look at a field's list connects, lists
// and lets go; a scene created and one renamed meanwhile are in a list
// looked at some seconds later.
TEST_F(ObsSwitchingTest, AFieldOffersObsScenesWhileNotWatching)
{
    ASSERT_TRUE(BringToFront(program.Window()));
    program.SetText(1006, L"");
    ASSERT_TRUE(FocusField(program.Control(1006)));
    EXPECT_TRUE(WaitUntil([&] {
        TypeKey(VK_ESCAPE);
        TypeText(L"M");
        const bool shown = WaitUntil([&] { return program.SuggestionCount() == 1; }, 500);
        TypeKey(VK_BACK);
        return shown;
    })) << "the list never showed OBS's scenes";
    TypeText(L"M");
    TypeKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1006) == L"Menus"; }));
    ASSERT_TRUE(watcher.CreateScene("Marquee")) << watcher.Error();
    ASSERT_TRUE(watcher.RenameScene("Menus", "Menus 1440p")) << watcher.Error();
    program.SetText(1006, L"");
    EXPECT_TRUE(WaitUntil([&] {
        TypeKey(VK_ESCAPE);
        TypeText(L"M");
        const bool shown = WaitUntil([&] { return program.SuggestionCount() == 2; }, 500);
        TypeKey(VK_BACK);
        return shown;
    }, 30000)) << "the list never showed the scenes made while not watching";
    TypeText(L"Menus ");
    TypeKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return program.Text(1006) == L"Menus 1440p"; }));
}

TEST_F(ObsSwitchingTest, KilledAndStartedAgainWhileWatchingTheSceneIsAppliedAgain)
{
    // OBS's window may take the front as it comes back: the game's state is
    // applied wherever the front is, and a tab is the game's state too.
    program.SetChecked(1005, true);
    program.SetChecked(1010, true);
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    game.StartGame();
    ASSERT_EQ(NextSceneOnAir(), "Game");
    watcher.Close();
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    EXPECT_TRUE(program.WaitForStatus(L"Connecting to OBS..."));
    ASSERT_TRUE(obs.Restart()) << obs.Error();
    // The restarted OBS shows what it saved; a Start scene is put on air
    // so the program's switch is seen whichever that was.
    ObsWebSocket again;
    ASSERT_TRUE(again.Connect(kObsTestPort, kPassword, kObsEventScenes)) << again.Error();
    EXPECT_TRUE(WaitUntil([&] {
        std::string name;
        return again.GetCurrentProgramScene(&name) && name == "Game";
    }, 20000)) << "the game's scene was not applied after OBS came back";
    EXPECT_TRUE(program.WaitForStatus(L"Last event: Switch to enter game scene."));
}

class ObsWithoutPasswordTest : public ObsSwitchingTest {
protected:
    std::string PasswordOfObs() const override { return ""; }
    std::wstring PasswordOfProgram() const override { return L""; }
};

TEST_F(ObsWithoutPasswordTest, NoPasswordNeedsNone)
{
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    game.StartGame();
    EXPECT_EQ(NextSceneOnAir(), "Game");
}

class ObsWithTheWrongPasswordTest : public ObsSwitchingTest {
protected:
    std::wstring PasswordOfProgram() const override { return L"not the password"; }
};

TEST_F(ObsWithTheWrongPasswordTest, TheStatusLineSaysSoAndNothingSwitches)
{
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Error: OBS refused the password. Check it in Options."));
    ExpectNoSwitch(1500);
    const ULONGLONG before = GetTickCount64();
    program.PressStartStop();
    EXPECT_LT(GetTickCount64() - before, 3000u) << "Stop waited for OBS";
    EXPECT_EQ(program.Status(), L"Aborted.");
}

// OBS stops answering (SIGSTOP) just as a request goes out: the request
// gives up within its bound, Stop stays prompt, and once OBS goes on
// switching works again.
TEST_F(ObsSwitchingTest, AFrozenObsHoldsNeitherTheWorkerNorStop)
{
    ASSERT_NO_FATAL_FAILURE(StartWithGameInFront());
    ASSERT_TRUE(obs.Freeze()) << obs.Error();
    game.StartGame();
    EXPECT_TRUE(program.WaitForStatus(L"Last event: Switch to enter game scene."));
    // The request gives the connection up after at most 2 s, and the
    // worker then tries to connect again, each try bounded the same way.
    EXPECT_TRUE(program.WaitForStatus(L"Connecting to OBS...", 10000));
    const ULONGLONG before = GetTickCount64();
    program.PressStartStop();
    const ULONGLONG stop = GetTickCount64() - before;
    std::printf("Stop with OBS frozen took %llu ms\n", stop);
    EXPECT_LT(stop, 3000u) << "Stop waited for the frozen OBS";
    EXPECT_EQ(program.Status(), L"Aborted.");

    ASSERT_TRUE(obs.Thaw()) << obs.Error();
    watcher.Close();
    ObsWebSocket again;
    ASSERT_TRUE(again.Connect(kObsTestPort, kPassword, kObsEventScenes)) << again.Error();
    ASSERT_TRUE(again.SetCurrentProgramScene("Start")) << again.Error();
    ObsSceneChange change;
    ASSERT_TRUE(again.WaitForSceneChange(&change));
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ASSERT_TRUE(again.WaitForSceneChange(&change, 15000)) << again.Error();
    EXPECT_EQ(change.sceneName, "Game");
    game.EndGame();
    ASSERT_TRUE(again.WaitForSceneChange(&change, 15000)) << again.Error();
    EXPECT_EQ(change.sceneName, "Menus");
}

// The XSplit side of a network pair switches OBS Studio: two programs on
// this machine, the game side sending each scene to 127.0.0.1.
TEST_F(ObsSwitchingTest, TheReceiverOfANetworkPairSwitchesObs)
{
    ASSERT_TRUE(program.Close());
    WriteStoredDword(L"Remote Enabled", 1);
    WriteStoredDword(L"Remote Role", 2);
    KestrelcueProgram receiver;
    ASSERT_TRUE(receiver.Launch());
    receiver.PressStartStop();
    ASSERT_TRUE(receiver.WaitForStatus(L"Waiting for network event..."));
    // The game side has no OBS of its own to reach: it only sends.
    WriteStoredDword(L"Remote Role", 1);
    WriteStoredString(L"Remote Host", L"127.0.0.1");
    WriteStoredDword(L"Scene Program", 0);
    KestrelcueProgram gameSide;
    ASSERT_TRUE(gameSide.Launch());
    // OBS's window may take the front when it comes back: the game side
    // then counts as tabbed out, so it has no tab scenes to send and sends
    // the game's events all the same.
    gameSide.NameScenes(L"Game", L"Menus", L"", L"");
    gameSide.SetChecked(1010, true);
    ASSERT_TRUE(BringToFront(game.Window()));
    gameSide.PressStartStop();
    EXPECT_EQ(NextSceneOnAir(), "Menus");
    game.StartGame();
    EXPECT_EQ(NextSceneOnAir(), "Game");
    EXPECT_TRUE(receiver.WaitForStatus(L"Remote switching to 'Game'."));

    // OBS goes and comes back: the receiver connects again before it obeys
    // (the restarted OBS can only be switched over a new connection).
    watcher.Close();
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    ASSERT_TRUE(obs.Restart()) << obs.Error();
    ObsWebSocket again;
    ASSERT_TRUE(again.Connect(kObsTestPort, kPassword, kObsEventScenes)) << again.Error();
    game.EndGame();
    EXPECT_TRUE(WaitUntil([&] {
        std::string name;
        return again.GetCurrentProgramScene(&name) && name == "Menus";
    }, 20000)) << "receiver: " << receiver.Status() << "; game side: " << gameSide.Status();
    EXPECT_TRUE(receiver.WaitForStatus(L"Remote switching to 'Menus'."));
    gameSide.PressStartStop();
    receiver.PressStartStop();
    EXPECT_EQ(receiver.Status(), L"Aborted.");
}

} // namespace

// A scene for every situation the game's client API tells: the loading
// screen, a replay, a game the user only watches, the score screen after a
// win and after a loss. The real program, the simulated game's screens and
// line-ups, the simulated XSplit. Each situation's scene falls back on the
// main window's enter or leave scene while it is empty, and an event is a
// change of the scene slot that results, so with none of them set the
// events are exactly those of a game and its end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/program.h"
#include "drive/scenes_dialog.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"
#include "drive/udp_sender.h"

namespace {

using Clicks = std::vector<std::wstring>;

const std::vector<std::wstring> kScenes = {L"Game",   L"Menus",    L"Away", L"Back", L"Loading",
                                           L"Replay", L"Watching", L"Won",  L"Lost"};

// The Scenes dialog's values, stored before the program starts.
struct SituationScenes {
    std::wstring loading, replay, observing, victory, defeat, names;
};

const SituationScenes kAllSet = {L"Loading", L"Replay", L"Watching", L"Won", L"Lost", L"Kestrel"};

// Only the values given are written: an empty one stays absent, as in a
// registry the Scenes dialog never touched.
void StoreSituationScenes(const SituationScenes& scenes)
{
    const struct {
        const wchar_t* value;
        const std::wstring& text;
    } stored[] = {{L"LoadingScene", scenes.loading}, {L"ReplayScene", scenes.replay},
                  {L"ObservingScene", scenes.observing}, {L"VictoryScene", scenes.victory},
                  {L"DefeatScene", scenes.defeat}, {L"Player Names", scenes.names}};
    for (const auto& value : stored) {
        if (!value.text.empty())
            WriteStoredString(value.value, value.text);
    }
}

const SimLineupPlayer kKestrelWins = {"Kestrel", "user", "Zerg", "Victory"};
const SimLineupPlayer kMaruLoses = {"Maru", "user", "Terr", "Defeat"};
const SimLineupPlayer kComputerLoses = {"A.I. 1 (Very Easy)", "computer", "Prot", "Defeat"};

class SituationScenesTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
        ASSERT_TRUE(patchServer.Start());
        program.UseOutsidePatchServer();
    }

    void TearDown() override { DeleteSettings(); }

    // The game in the menus, in front, and the program watching it with
    // these situations' scenes; the menus' scene is on air.
    void StartWatching(const SituationScenes& scenes, const SimApiOptions& api = SimApiOptions())
    {
        StoreSituationScenes(scenes);
        ASSERT_TRUE(game.LaunchWithApi(api));
        ASSERT_TRUE(xsplit.Launch(kScenes));
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ExpectClicks({L"Menus"});
    }

    // A screen that should switch nothing is given a few samples' time to
    // be seen, so that the next screen comes after it as in a real game.
    // (Were it missed, the next events would be the same.)
    static void LetItBeSeen() { Sleep(kSeenMs); }
    static constexpr DWORD kSeenMs = 400;

    // The game goes from the menus through loading into a game of this
    // line-up, as a player's does; for tests that set no loading scene.
    void PlayAGameOf(const std::vector<SimLineupPlayer>& lineup)
    {
        ASSERT_TRUE(game.SetLineup(lineup));
        ASSERT_TRUE(game.ShowLoading());
        LetItBeSeen();
        ASSERT_TRUE(game.EnterGame());
    }

    void ExpectClicks(const Clicks& expected, const char* why = "")
    {
        EXPECT_EQ(xsplit.SettledClicks(expected.size()), expected) << why;
    }

    LocalPatchServer patchServer;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

// Each row of the table, in the order a streamer's evening runs through
// them, with the status text naming the slot used.
TEST_F(SituationScenesTest, EverySituationHasItsOwnScene)
{
    StartWatching(kAllSet);
    ASSERT_TRUE(game.SetLineup({kKestrelWins, kMaruLoses}));
    Clicks onAir = {L"Menus"};
    const struct {
        const char* what;
        bool (SimulatedGame::*press)();
        const wchar_t* scene;
        const wchar_t* status;
    } evening[] = {
        {"loading", &SimulatedGame::ShowLoading, L"Loading", L"Last event: Switch to loading scene."},
        {"the user's game", &SimulatedGame::EnterGame, L"Game", L"Last event: Switch to enter game scene."},
        {"a win", &SimulatedGame::ShowScore, L"Won", L"Last event: Switch to victory scene."},
        {"the menus", &SimulatedGame::ShowMenus, L"Menus", L"Last event: Switch to leave game scene."},
        {"loading again", &SimulatedGame::ShowLoading, L"Loading", L"Last event: Switch to loading scene."},
        {"the next game", &SimulatedGame::EnterGame, L"Game", L"Last event: Switch to enter game scene."},
        {"a loss", &SimulatedGame::ShowLostScore, L"Lost", L"Last event: Switch to defeat scene."},
        {"a game of others", &SimulatedGame::ObserveGame, L"Watching", L"Last event: Switch to observing scene."},
        {"its end", &SimulatedGame::ShowScore, L"Menus", L"Last event: Switch to leave game scene."},
        {"a replay", &SimulatedGame::StartReplay, L"Replay", L"Last event: Switch to replay scene."},
        {"its end", &SimulatedGame::ShowScore, L"Menus", L"Last event: Switch to leave game scene."},
    };
    for (const auto& step : evening) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE((game.*step.press)());
        onAir.push_back(step.scene);
        ExpectClicks(onAir);
        EXPECT_EQ(program.Status(), step.status);
    }
}

// With none of the new scenes set, the events are exactly a game's start
// and end: the loading screen after the score screen is no event, and an
// observed game, a replay and a win are the game and the menus.
TEST_F(SituationScenesTest, WithNoneSetTheEventsAreTheGameAndItsEnd)
{
    StartWatching({L"", L"", L"", L"", L"", L"Kestrel"});
    PlayAGameOf({kKestrelWins, kMaruLoses});
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
    ASSERT_TRUE(game.ShowLoading());
    LetItBeSeen();
    ASSERT_TRUE(game.ObserveGame());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowLostScore());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game", L"Menus"});
    ASSERT_TRUE(game.StartReplay());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game", L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    LetItBeSeen();
    ASSERT_TRUE(game.ShowMenus());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game", L"Menus", L"Game", L"Menus"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
}

// One situation's scene set, the others empty: each empty one falls back,
// and the fallback's status text is the one shown.
TEST_F(SituationScenesTest, EachEmptySceneFallsBackOnTheMainWindowsScene)
{
    StartWatching({L"", L"", L"", L"Won", L"", L"Kestrel"});
    PlayAGameOf({kKestrelWins, kMaruLoses});
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowLostScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.");
    ASSERT_TRUE(game.ShowLoading());
    LetItBeSeen();
    ASSERT_TRUE(game.StartReplay());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game"});
    EXPECT_EQ(program.Status(), L"Last event: Switch to enter game scene.");
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game", L"Menus"}, "a replay's end is no win");
    PlayAGameOf({kKestrelWins, kMaruLoses});
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game", L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Game", L"Menus", L"Game", L"Won"});
}

// The user is found by any of their names, whatever the letter case and
// whichever clan tag the game puts in front; a tie is no win.
TEST_F(SituationScenesTest, TheUserIsFoundByAnyOfTheirNamesBehindAClanTag)
{
    StartWatching({L"", L"", L"Watching", L"Won", L"Lost", L"KestrelNA; kestreleu"});
    PlayAGameOf({{"&lt;DRG&gt;<sp/>KestrelEU", "user", "Zerg", "Defeat"}, {"Maru", "user", "Terr", "Victory"}});
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Lost"});
    PlayAGameOf({{"Kestrel", "user", "Zerg", "Victory"}, {"Maru", "user", "Terr", "Defeat"}});
    ExpectClicks({L"Menus", L"Game", L"Lost", L"Menus", L"Watching"}, "Kestrel is none of the names typed");
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Lost", L"Menus", L"Watching", L"Menus"});
    PlayAGameOf({{"KestrelNA", "user", "Zerg", "Tie"}, {"Maru", "user", "Terr", "Tie"}});
    ExpectClicks({L"Menus", L"Game", L"Lost", L"Menus", L"Watching", L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Lost", L"Menus", L"Watching", L"Menus", L"Game", L"Menus"}, "a tie is no win");
}

// Without names, the one human in a game against computers is the user;
// with two humans no one can tell, and the score screen is the menus'.
TEST_F(SituationScenesTest, WithoutNamesTheOnlyHumanAgainstComputersIsTheUser)
{
    StartWatching({L"", L"", L"Watching", L"Won", L"Lost", L""});
    PlayAGameOf({{"A.I. 1", "computer", "Terr", "Victory"}, {"Anyone", "user", "Zerg", "Defeat"}});
    ExpectClicks({L"Menus", L"Game"}, "without names no game is observed");
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Lost"});
    PlayAGameOf({kKestrelWins, kMaruLoses});
    ExpectClicks({L"Menus", L"Game", L"Lost", L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Lost", L"Menus", L"Game", L"Menus"});
}

// The game's /game alone slow or broken: who plays is waited for (nothing
// is switched on a guess) until it has been silent as long as a silent game
// would be; then the screens alone decide. /ui goes on answering, so the
// game is not lost.
TEST_F(SituationScenesTest, ABrokenGameAnswerIsWaitedForThenTheScreensDecide)
{
    StartWatching(kAllSet);
    ASSERT_TRUE(game.SetLineup({kKestrelWins, kMaruLoses}));
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 1));
    ASSERT_TRUE(game.StartReplay());
    Sleep(1000);
    EXPECT_EQ(xsplit.Clicks(), (Clicks{L"Menus"})) << "a scene was sent before who plays was known";
    ExpectClicks({L"Menus", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus"});
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 0));
    ASSERT_TRUE(game.ShowLoading());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Loading"});
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Loading", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Game", L"Menus", L"Loading", L"Game", L"Won"});
    std::vector<std::wstring> seen;
    EXPECT_FALSE(program.WaitForStatusSeen(L"Finding StarCraft II window...", &seen, 500));
}

// One answer of /game slower than a sample can wait is no event; the next
// sample asks again and switches once.
TEST_F(SituationScenesTest, ASlowGameAnswerDelaysTheSceneButSendsItOnce)
{
    SimApiOptions api;
    api.gameSlowMs = 150;
    StartWatching(kAllSet, api);
    ASSERT_TRUE(game.ShowLoading());
    ExpectClicks({L"Menus", L"Loading"});
    ASSERT_TRUE(game.EnterGame());
    Sleep(300);
    ASSERT_TRUE(game.SetApiFault(kSimApiGameSlow, 0));
    ExpectClicks({L"Menus", L"Loading", L"Game"});
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Loading", L"Game", L"Won"});
}

// A scene typed in the Scenes dialog while watching takes effect at the
// next event; its fields are stored at the close.
TEST_F(SituationScenesTest, TheScenesDialogIsUsedWhileWatching)
{
    StartWatching({L"", L"", L"", L"", L"", L""});
    // The dialog in front may count as a tab out of the game: no tab scenes.
    program.SetText(1007, L"");
    program.SetText(1008, L"");
    HWND dialog = OpenScenes(program);
    ASSERT_NE(dialog, nullptr) << "the Scenes dialog does not open while the worker runs";
    SetDlgItemTextW(dialog, kScenesObserving, L"Replay");
    SetDlgItemTextW(dialog, kScenesNames, L"Kestrel");
    PressScenesButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    // A game's change applies with the game in front.
    ASSERT_TRUE(BringToFront(game.Window()));
    ASSERT_TRUE(game.ObserveGame());
    ExpectClicks({L"Menus", L"Replay"});
    program.PressStartStop();
    ASSERT_TRUE(program.Close());
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"ObservingScene", &value));
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"Replay"));
    ASSERT_TRUE(ReadStoredValue(L"Player Names", &value));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"Kestrel"));
    EXPECT_FALSE(ReadStoredValue(L"LoadingScene", &value)) << "an untouched value is not written";
}

// On the game side of a network pair the situation's scene is what is sent.
TEST_F(SituationScenesTest, TheGameSideSendsTheSituationsScene)
{
    StoreSituationScenes(kAllSet);
    ASSERT_TRUE(xsplit.Launch(kScenes));
    WriteStoredDword(L"Remote Enabled", 1);
    WriteStoredDword(L"Remote Role", 2);
    KestrelcueProgram receiver;
    receiver.UseOutsidePatchServer();
    ASSERT_TRUE(receiver.Launch());
    receiver.PressStartStop();
    ASSERT_TRUE(receiver.WaitForStatus(L"Waiting for network event..."));

    WriteStoredDword(L"Remote Role", 1);
    WriteStoredString(L"Remote Host", L"127.0.0.1");
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(program.Launch());
    program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    ASSERT_TRUE(BringToFront(game.Window()));
    program.PressStartStop();
    ExpectClicks({L"Menus"});
    ASSERT_TRUE(game.StartReplay());
    ExpectClicks({L"Menus", L"Replay"});
    EXPECT_TRUE(receiver.WaitForStatus(L"Remote switching to 'Replay'."));
    EXPECT_EQ(program.Status(), L"Last event: Switch to replay scene.");
    receiver.PressStartStop();
}

// An opponent of another clan listed first with the user's name: whose
// result it is cannot be told, so the score screen is the leaving scene.
TEST_F(SituationScenesTest, TwoPlayersWithTheUsersNameLeaveTheResultUntold)
{
    StartWatching(kAllSet);
    PlayAGameOf({{"&lt;ABC&gt;<sp/>Kestrel", "user", "Terr", "Victory"},
                 {"&lt;XYZ&gt;<sp/>kestrel", "user", "Zerg", "Defeat"}});
    ExpectClicks({L"Menus", L"Loading", L"Game"}, "a game with the user's name is the user's");
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Loading", L"Game", L"Menus"});
}

// An IPv6 address typed in brackets is shown as typed beside the port.
TEST_F(SituationScenesTest, AHostTypedInBracketsIsShownAsTyped)
{
    ASSERT_TRUE(WriteStoredString(L"Game API Host", L"[::1]"));
    ASSERT_TRUE(game.LaunchWithApi(SimApiOptions{}));
    ASSERT_TRUE(program.Launch());
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"StarCraft II does not answer at '[::1]:6119' yet. Waiting..."))
        << testing::PrintToString(program.Status());
}

// The game on another computer (127.0.0.2 stands for it): no game window is
// looked for here, alt+tab here switches nothing, every change of the game
// applies whatever is in front, and the status line says which computer.
class RemoteGameApiTest : public SituationScenesTest {
protected:
    void SetUp() override
    {
        SituationScenesTest::SetUp();
        ASSERT_TRUE(WriteStoredString(L"Game API Host", L"127.0.0.2"));
        api.address = L"127.0.0.2";
    }

    SimApiOptions api;
};

TEST_F(RemoteGameApiTest, TheGameThereIsWatchedAndAltTabHereSwitchesNothing)
{
    StoreSituationScenes(kAllSet);
    ASSERT_TRUE(game.LaunchWithApi(api));
    ASSERT_TRUE(xsplit.Launch(kScenes));
    ASSERT_TRUE(program.Launch());
    program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    program.PressStartStop();
    ExpectClicks({L"Menus"});
    ASSERT_TRUE(game.ShowLoading());
    ExpectClicks({L"Menus", L"Loading"}, "the game's changes apply with another window in front");
    ASSERT_TRUE(game.EnterGame());
    ExpectClicks({L"Menus", L"Loading", L"Game"});
    ASSERT_TRUE(BringToFront(game.Window()));
    ASSERT_TRUE(BringToFront(xsplit.Window()));
    ASSERT_TRUE(BringToFront(program.Window()));
    ASSERT_TRUE(game.ShowScore());
    ExpectClicks({L"Menus", L"Loading", L"Game", L"Won"}, "alt+tab on this computer switched a scene");
}

TEST_F(RemoteGameApiTest, AGameNotYetAnsweringIsWaitedForAndSaidSo)
{
    api.closed = true;
    ASSERT_TRUE(game.LaunchWithApi(api));
    ASSERT_TRUE(xsplit.Launch(kScenes));
    ASSERT_TRUE(program.Launch());
    program.NameScenes(L"Game", L"Menus", L"Away", L"Back");
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(RemoteApiSilentStatus(L"127.0.0.2:6119")));
    std::vector<std::wstring> seen;
    EXPECT_FALSE(program.WaitForStatusSeen(L"Finding StarCraft II window...", &seen, 1000))
        << "a game on another computer has no window here to look for";
    ASSERT_TRUE(game.EnterGame());
    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 0));
    ExpectClicks({L"Game"});
    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 1));
    EXPECT_TRUE(program.WaitForStatus(RemoteApiSilentStatus(L"127.0.0.2:6119")))
        << "a silent game there is not given up";
    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 0));
    ExpectClicks({L"Game", L"Game"}, "coming back applies the situation once");
}

} // namespace

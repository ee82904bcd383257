// The session's record counted from the game's client API and written to a
// file that a text source reads: what counts and what does not, per race,
// kept through a restart, reset and set by hand in the Record dialog, and
// the file whole whenever a reader looks. The real program, the simulated
// game's line-ups and results, the simulated XSplit.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/network_setup.h"
#include "drive/program.h"
#include "drive/record_dialog.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"
#include "record/session_record.h"

namespace {

using Clicks = std::vector<std::wstring>;

const SimLineupPlayer kKestrel = {"Kestrel", "user", "Zerg", "Victory"};

SimLineupPlayer Opponent(const char* race, const char* type = "user")
{
    return {std::string("Opponent ") + race, type, race, "Defeat"};
}

DWORD StoredNumber(const wchar_t* name)
{
    StoredValue value;
    DWORD number = 0;
    if (ReadStoredValue(name, &value) && value.bytes.size() == sizeof number)
        std::memcpy(&number, value.bytes.data(), sizeof number);
    return number;
}

class SessionRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
        ASSERT_TRUE(WriteStoredString(L"Player Names", L"Kestrel"));
        folder = FreshTempFolder(L"record-" + std::to_wstring(GetCurrentProcessId()));
        path = folder + L"\\record.txt";
        ASSERT_TRUE(WriteStoredString(L"Record File", path));
        ASSERT_TRUE(patchServer.Start());
        program.UseOutsidePatchServer();
    }

    void TearDown() override { DeleteSettings(); }

    void StartWatching()
    {
        ASSERT_TRUE(game.LaunchWithApi());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
        ASSERT_NO_FATAL_FAILURE(StartProgram());
    }

    void StartProgram()
    {
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"", L"");
        ASSERT_TRUE(BringToFront(game.Window()));
        const size_t before = xsplit.Clicks().size();
        program.PressStartStop();
        ASSERT_TRUE(xsplit.WaitForClicks(before + 1)) << "the menus' scene was not switched at Start";
    }

    // A whole game of this line-up: loading (given a few samples' time to
    // be seen, as a real one takes seconds), the map on (its scene on air),
    // then its end by `end` (the score screen, won or lost) and the menus'
    // scene on air.
    void Play(const std::vector<SimLineupPlayer>& lineup, bool (SimulatedGame::*end)() = &SimulatedGame::ShowScore)
    {
        ASSERT_TRUE(game.SetLineup(lineup));
        ASSERT_TRUE(game.ShowLoading());
        Sleep(kLoadingMs);
        const size_t before = xsplit.Clicks().size();
        ASSERT_TRUE(game.EnterGame());
        ASSERT_TRUE(xsplit.WaitForClicks(before + 1)) << "the game's scene was not switched";
        ASSERT_TRUE((game.*end)());
        ASSERT_TRUE(xsplit.WaitForClicks(before + 2)) << "the end's scene was not switched";
    }

    // Waits for the file to hold exactly `expected`; what it held otherwise.
    void ExpectFile(const std::string& expected)
    {
        std::string text;
        WaitUntil([&] { return (text = ReadWholeFile(path)) == expected; });
        EXPECT_EQ(text, expected);
    }

    // The file is not to change: it holds `expected` a while later.
    void ExpectFileStays(const std::string& expected)
    {
        Sleep(kNoCountMs);
        EXPECT_EQ(ReadWholeFile(path), expected);
    }

    // A path of 250 characters in the test's folder: the file beside it that
    // would become it is too long for a path.
    std::wstring LongPath() const { return folder + L"\\" + std::wstring(250 - folder.size() - 5, L'x') + L".txt"; }

    static constexpr DWORD kLoadingMs = 400;

    // Much longer than a count takes: a game whose result is decided counts
    // in the sample that sees its map go off.
    static constexpr DWORD kNoCountMs = 1500;

    std::wstring folder, path;
    LocalPatchServer patchServer;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

// The file shows the record before the first game, then after each game
// counted: wins, losses and ties, against each race in one-against-one.
TEST_F(SessionRecordTest, WinsLossesAndTiesAreCountedPerRace)
{
    ASSERT_TRUE(WriteStoredString(L"Record Format",
                                  L"{wins}-{losses}-{ties} of {games}, {winrate}% T{vsT} Z{vsZ} P{vsP} R{vsR}"));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ExpectFile("0-0-0 of 0, 0% T0-0 Z0-0 P0-0 R0-0");
    Play({kKestrel, Opponent("Terr")});
    ExpectFile("1-0-0 of 1, 100% T1-0 Z0-0 P0-0 R0-0");
    Play({kKestrel, Opponent("Zerg")}, &SimulatedGame::ShowLostScore);
    ExpectFile("1-1-0 of 2, 50% T1-0 Z0-1 P0-0 R0-0");
    Play({{"Kestrel", "user", "Zerg", "Tie"}, {"Opponent Prot", "user", "Prot", "Tie"}});
    ExpectFile("1-1-1 of 3, 50% T1-0 Z0-1 P0-0 R0-0");
    Play({Opponent("random"), kKestrel});
    ExpectFile("2-1-1 of 4, 67% T1-0 Z0-1 P0-0 R1-0");
    // A team game counts in the totals only.
    Play({kKestrel, {"Ally", "user", "Prot", "Victory"}, Opponent("Terr"), Opponent("Zerg")});
    ExpectFile("3-1-1 of 5, 75% T1-0 Z0-1 P0-0 R1-0");
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"Record Wins", &value)) << "a count is not stored at once";
    EXPECT_EQ(value.bytes, DwordBytes(3));
    ASSERT_TRUE(ReadStoredValue(L"Record Random Wins", &value));
    EXPECT_EQ(value.bytes, DwordBytes(1));
}

// Against computers, a game watched and a replay: nothing counts.
TEST_F(SessionRecordTest, ComputersObservedGamesAndReplaysDoNotCount)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ExpectFile("0 - 0");
    Play({kKestrel, Opponent("Terr", "computer"), Opponent("Zerg", "computer")});
    ASSERT_TRUE(game.SetLineup({kKestrel, Opponent("Prot")}));
    const size_t before = xsplit.Clicks().size();
    ASSERT_TRUE(game.ObserveGame());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    ASSERT_TRUE(game.ShowScore());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 2));
    ASSERT_TRUE(game.StartReplay());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 3));
    ASSERT_TRUE(game.ShowScore());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 4));
    ExpectFileStays("0 - 0");
    Play({kKestrel, Opponent("Prot")});
    ExpectFile("1 - 0");
}

// The game telling of one game's end twice, and of a result turned round
// after it was counted: the game counts once, for the side it counted.
TEST_F(SessionRecordTest, AGameCountsOnceHoweverOftenItsEndIsTold)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    Play({kKestrel, Opponent("Terr")});
    ExpectFile("1 - 0");
    const size_t before = xsplit.Clicks().size();
    ASSERT_TRUE(game.ShowMapAgain());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    ASSERT_TRUE(game.TurnResults());
    ASSERT_TRUE(game.ShowScore());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 2));
    ExpectFileStays("1 - 0");
    Play({kKestrel, Opponent("Terr")}, &SimulatedGame::ShowLostScore);
    ExpectFile("1 - 1");
}

// A /game that fails at the end, and a result never decided: not counted,
// and said so.
TEST_F(SessionRecordTest, AResultThatCannotBeReadIsNotCountedAndSaidSo)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ASSERT_TRUE(game.SetLineup({kKestrel, Opponent("Terr")}));
    ASSERT_TRUE(game.ShowLoading());
    ASSERT_TRUE(game.EnterGame());
    ASSERT_TRUE(xsplit.WaitForClicks(2));
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 1));
    ASSERT_TRUE(game.ShowScore());
    EXPECT_TRUE(program.WaitForStatus(L"Error: The last game's result could not be read; it is not counted."));
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 0));
    ExpectFileStays("0 - 0");
    Play({{"Kestrel", "user", "Zerg", "Undecided"}, Opponent("Zerg")});
    EXPECT_TRUE(program.WaitForStatus(L"Error: The last game's result could not be read; it is not counted."));
    Play({kKestrel, Opponent("Zerg")});
    ExpectFile("1 - 0");
}

// Without names no one can tell which human is the user.
TEST_F(SessionRecordTest, WithoutNamesAGameAgainstHumansIsNotCounted)
{
    ASSERT_TRUE(WriteStoredString(L"Player Names", L""));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    Play({kKestrel, Opponent("Terr")});
    EXPECT_TRUE(program.WaitForStatus(L"The last game is not counted: type your names in the game in Scenes..."));
    ExpectFileStays("0 - 0");
}

// Two players with one of the names: which result is the user's cannot be told.
TEST_F(SessionRecordTest, TwoPlayersWithTheUsersNameAreNotCounted)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    Play({{"&lt;ABC&gt;<sp/>Kestrel", "user", "Terr", "Victory"},
                 {"&lt;XYZ&gt;<sp/>kestrel", "user", "Zerg", "Defeat"}});
    EXPECT_TRUE(program.WaitForStatus(L"The last game is not counted: more than one player has one of your names."));
    ExpectFileStays("0 - 0");
}

// The record is where the last session left it, and the file says so at
// the next Start; the Record dialog resets it and sets it by hand.
TEST_F(SessionRecordTest, KeptThroughARestartResetAndSetByHand)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    Play({kKestrel, Opponent("Terr")});
    ExpectFile("1 - 0");
    // Ended as a crash ends it: nothing saved at the close.
    program.Process().Kill();
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    KestrelcueProgram again;
    again.UseOutsidePatchServer();
    ASSERT_TRUE(again.Launch());
    again.PressStartStop();
    ExpectFile("1 - 0");

    HWND dialog = OpenRecord(again);
    ASSERT_NE(dialog, nullptr) << "the Record dialog does not open while the worker runs";
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kRecordWins)), L"1");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kRecordTerranWins)), L"1");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kRecordPreview)), L"1 - 0");
    SetDlgItemTextW(dialog, kRecordWins, L"12");
    SetDlgItemTextW(dialog, kRecordLosses, L"5");
    SetDlgItemTextW(dialog, kRecordFormatField, L"W {wins} L {losses}");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(dialog, kRecordPreview)) == L"W 12 L 5"; }))
        << "the preview does not follow the fields";
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    ExpectFile("W 12 L 5");
    StoredValue value;
    ASSERT_TRUE(ReadStoredValue(L"Record Losses", &value));
    EXPECT_EQ(value.bytes, DwordBytes(5));

    dialog = OpenRecord(again);
    ASSERT_NE(dialog, nullptr);
    PressRecordButton(dialog, kRecordReset);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(dialog, kRecordTerranWins)) == L"0"; }));
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    ExpectFile("W 0 L 0");
    again.PressStartStop();
    ASSERT_TRUE(again.Close());
    ASSERT_TRUE(ReadStoredValue(L"Record Format", &value));
    EXPECT_EQ(value.bytes, TerminatedTextBytes(L"W {wins} L {losses}"));
    ASSERT_TRUE(ReadStoredValue(L"Record Terran Wins", &value));
    EXPECT_EQ(value.bytes, DwordBytes(0));
}

// The dialog open across a game: OK changes only what was typed in it.
TEST_F(SessionRecordTest, AGameCountedWhileTheRecordDialogIsOpenSurvivesOk)
{
    // The dialog takes the foreground from the game.
    ASSERT_TRUE(WriteStoredDword(L"Apply Game Settings When Tabbed", 1));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    HWND dialog = OpenRecord(program);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NO_FATAL_FAILURE(Play({kKestrel, Opponent("Terr")}));
    ExpectFile("1 - 0");
    SetDlgItemTextW(dialog, kRecordLosses, L"3");
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitForDialogGone(dialog));
    ExpectFile("1 - 3");
    EXPECT_EQ(StoredNumber(L"Record Wins"), 1u);
    EXPECT_EQ(StoredNumber(L"Record Terran Wins"), 1u);
}

// A reader that opens the file over and over while games end finds the
// record every time: never no file, never an empty or half-written one.
TEST_F(SessionRecordTest, AReaderNeverFindsTheFileEmptyOrHalfWritten)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ExpectFile("0 - 0");
    std::atomic<bool> reading{true};
    std::atomic<int> reads{0};
    std::vector<std::string> wrong;
    std::thread reader([&] {
        const std::regex whole("[0-9]+ - [0-9]+");
        while (reading) {
            bool found = false;
            const std::string text = ReadWholeFile(path, &found);
            ++reads;
            if ((!found || !std::regex_match(text, whole)) && wrong.size() < 10)
                wrong.push_back(found ? "\"" + text + "\"" : "(no file)");
        }
    });
    for (int i = 0; i < 8; ++i)
        ASSERT_NO_FATAL_FAILURE(Play({kKestrel, Opponent("Zerg")}, i % 2 == 0 ? &SimulatedGame::ShowScore
                                                                              : &SimulatedGame::ShowLostScore));
    ExpectFile("4 - 4");
    reading = false;
    reader.join();
    std::printf("the reader read the file %d times while 8 games ended\n", reads.load());
    EXPECT_GT(reads.load(), 100);
    EXPECT_TRUE(wrong.empty()) << "the reader found " << testing::PrintToString(wrong);
}

// A path that cannot be written is said once in words a streamer
// understands; watching and switching go on.
TEST_F(SessionRecordTest, APathThatCannotBeWrittenIsSaidOnceAndWatchingGoesOn)
{
    const struct {
        const char* what;
        std::wstring path;
        std::wstring status;
    } cases[] = {
        {"a missing folder", folder + L"\\missing\\record.txt",
         L"Error: The record's folder does not exist: '" + folder + L"\\missing\\record.txt'."},
        {"a device's name", L"NUL", L"Error: The record's file name is not a file's: 'NUL'."},
        {"a device's name with an extension in a folder", folder + L"\\con.txt",
         L"Error: The record's file name is not a file's: '" + folder + L"\\con.txt'."},
        {"a path too long", LongPath(), L"Error: The record's file name is too long: '" + LongPath() + L"'."},
        {"a folder", folder, L"Error: The record's file name is not a file's: '" + folder + L"'."},
    };
    DWORD winsBefore = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteStoredString(L"Record File", c.path));
        SimulatedGame thisGame;
        SimulatedXSplit thisXSplit;
        KestrelcueProgram thisProgram;
        thisProgram.UseOutsidePatchServer();
        ASSERT_TRUE(thisGame.LaunchWithApi());
        ASSERT_TRUE(thisXSplit.Launch({L"Game", L"Menus"}));
        ASSERT_TRUE(thisProgram.Launch());
        thisProgram.NameScenes(L"Game", L"Menus", L"", L"");
        ASSERT_TRUE(BringToFront(thisGame.Window()));
        thisProgram.PressStartStop();
        EXPECT_TRUE(thisProgram.WaitForStatus(c.status)) << "said instead: "
                                                         << testing::PrintToString(thisProgram.Status());
        ASSERT_TRUE(thisXSplit.WaitForClicks(1));
        ASSERT_TRUE(thisGame.SetLineup({kKestrel, Opponent("Terr")}));
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(thisGame.ShowLoading());
            Sleep(kLoadingMs);
            ASSERT_TRUE(thisGame.EnterGame());
            ASSERT_TRUE(thisXSplit.WaitForClicks(2 + 2 * i));
            ASSERT_TRUE(thisGame.ShowScore());
            ASSERT_TRUE(thisXSplit.WaitForClicks(3 + 2 * i)) << "switching stopped";
        }
        Sleep(500);
        EXPECT_EQ(thisProgram.Status(), L"Last event: Switch to leave game scene.") << "the error was said again";
        EXPECT_EQ(StoredNumber(L"Record Wins"), winsBefore + 2) << "the games were not counted";
        winsBefore = StoredNumber(L"Record Wins");
        thisProgram.PressStartStop();
        ASSERT_TRUE(thisProgram.Close());
    }
}

// The record's owner in this process, a game counted on one thread while
// the other resets: after every round the registry, the file and the
// numbers in memory agree, whichever came last.
TEST_F(SessionRecordTest, ResetRacingACountLeavesTheFileTheRegistryAndMemoryEqual)
{
    RecordEdit reset = {};
    reset.reset = true;
    path.copy(reset.places.file, path.size());
    TakeStoredRecord(RecordCounts{}, reset.places);
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> ready{0};
        auto together = [&] {
            for (++ready; ready < 2;) {
            }
        };
        std::thread counter([&] {
            together();
            CountGame(GameOutcome::Victory, kVsTerran);
        });
        together();
        EditRecordByHand(reset);
        counter.join();
        RecordSnapshot record;
        TakeRecordSnapshot(&record);
        const RecordCounts& counts = record.counts;
        ASSERT_EQ(StoredNumber(L"Record Wins"), counts.wins) << "round " << round;
        ASSERT_EQ(StoredNumber(L"Record Terran Wins"), counts.raceWins[kVsTerran]) << "round " << round;
        ASSERT_EQ(ReadWholeFile(path), std::to_string(counts.wins) + " - 0") << "round " << round;
    }
}

} // namespace

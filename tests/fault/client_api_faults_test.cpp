// The game's client API doing harm to a session with the client API chosen:
// closed, slow, answering errors, garbage or ten megabytes, resetting the
// connection in the middle of a body, and the game killed while an answer
// is half sent. Each fault, once it has lasted 2 s, loses the game: the
// status line says that the API does not answer (and stays so, without
// the game being found and lost over and over), the window and Stop stay
// prompt, and once the API answers properly again the scene of the game's
// situation is applied once and the next real event switches as ever.
#include <cstdio>
#include <string>
#include <vector>

#include "drive/raw_http.h"
#include "fault_support.h"

namespace {

// A sample is bounded well below its period however the API behaves, so
// Stop is as quick as in any other state; the bound is generous for a busy
// machine.
constexpr DWORD kPromptMs = 2000;

class FaultClientApiTest : public StreamingSession {
protected:
    // A game in progress, its scene on air.
    void StartWatchingAGame()
    {
        ASSERT_NO_FATAL_FAILURE(LaunchClientApiSession());
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ExpectScenesOnAir(xsplit, {L"Menus"});
        ASSERT_TRUE(game.EnterGame());
        ExpectScenesOnAir(xsplit, {L"Menus", L"Game"});
    }

    // With the fault on, the worker gives the game up and says the API does
    // not answer, and says so steadily (it does not find the game and lose
    // it again), while the window and Stop stay prompt; Start goes back to
    // it. Stop is pressed as a sample begins, with its request to the
    // spoilt API out.
    void ExpectTheGameLostButTheProgramPrompt(const char* fault)
    {
        EXPECT_TRUE(program.WaitForStatus(LocalApiSilentStatus())) << "the worker does not give the game up";
        std::vector<std::wstring> seen;
        EXPECT_FALSE(program.WaitForStatusSeen(L"Running. Waiting for events...", &seen, 2500))
            << "the game was found again while its API gave no answer";
        const DWORD answer = AnswerTimeMs(program.Window());
        const DWORD stop = TimedClick(program, 1011);
        std::printf("client API %s: the window answered in %lu ms, Stop took %lu ms\n", fault, answer, stop);
        EXPECT_LT(answer, kPromptMs);
        EXPECT_LT(stop, kPromptMs);
        EXPECT_EQ(program.Status(), L"Aborted.");
        program.PressStartStop();
        EXPECT_TRUE(program.WaitForStatus(LocalApiSilentStatus()));
    }

    // The game ends while the API is spoilt, which switches nothing; once it
    // answers again the score screen's scene is applied, and the next game
    // switches as ever.
    void ExpectRecoveryOnceTheFaultIsOff()
    {
        ASSERT_TRUE(game.ShowScore());
        ExpectScenesOnAir(xsplit, {L"Menus", L"Game"});
        ASSERT_TRUE(game.ClearApiFaults());
        ASSERT_TRUE(BringToFront(game.Window()));
        ExpectScenesOnAir(xsplit, {L"Menus", L"Game", L"Menus"});
        ASSERT_TRUE(game.EnterGame());
        ExpectScenesOnAir(xsplit, {L"Menus", L"Game", L"Menus", L"Game"});
        program.PressStartStop();
        CloseAndExpectNothingLost();
    }

    void SurviveFault(const char* name, SimApiFaultKind kind, LPARAM value)
    {
        ASSERT_NO_FATAL_FAILURE(StartWatchingAGame());
        ASSERT_TRUE(game.SetApiFault(kind, value));
        ASSERT_NO_FATAL_FAILURE(ExpectTheGameLostButTheProgramPrompt(name));
        ASSERT_NO_FATAL_FAILURE(ExpectRecoveryOnceTheFaultIsOff());
    }
};

TEST_F(FaultClientApiTest, ThePortClosed)
{
    SurviveFault("closed", kSimApiClosed, 1);
}

TEST_F(FaultClientApiTest, AnswersThatTakeSeconds)
{
    SurviveFault("slow", kSimApiSlow, 10000);
}

TEST_F(FaultClientApiTest, Status500)
{
    SurviveFault("answering 500", kSimApiStatus, 500);
}

TEST_F(FaultClientApiTest, ABodyThatIsNotJson)
{
    SurviveFault("answering garbage", kSimApiGarbage, 1);
}

TEST_F(FaultClientApiTest, ATenMegabyteBody)
{
    SurviveFault("answering 10 MB", kSimApiOversized, 1);
}

TEST_F(FaultClientApiTest, AConnectionResetInTheMiddleOfTheBody)
{
    SurviveFault("resetting mid-body", kSimApiReset, 1);
}

// Answers with bytes 01 02 03 before the JSON are no answers: cJSON would
// have skipped them.
TEST_F(FaultClientApiTest, ControlBytesBeforeTheBody)
{
    SurviveFault("answering control bytes before the body", kSimApiControlBytes, 1);
}

// A redirect is followed nowhere: here it points at a second game on
// another port, in the menus, whose answer would switch the leave scene
// while this one is in a game.
TEST_F(FaultClientApiTest, ARedirectIsNotFollowed)
{
    constexpr unsigned short kElsewherePort = 16121;
    SimApiOptions elsewhere;
    elsewhere.port = kElsewherePort;
    SimulatedGame other;
    ASSERT_TRUE(other.LaunchWithApi(elsewhere));
    ASSERT_NO_FATAL_FAILURE(StartWatchingAGame());
    ASSERT_TRUE(game.SetApiFault(kSimApiRedirect, kElsewherePort));
    // Asked by hand: WinHTTP, as the tests' own client, would follow it.
    RawHttpConnection asked;
    ASSERT_EQ(asked.Connect(kSimApiPort), 0);
    ASSERT_TRUE(asked.Send(RawGetRequest("/ui")));
    RawAnswer redirect;
    asked.ReadAnswer(&redirect, 5000);
    ASSERT_EQ(redirect.status, 302) << "the stand-in does not redirect";
    EXPECT_EQ(redirect.Header("Location"), "http://127.0.0.1:16121/ui");
    ASSERT_NO_FATAL_FAILURE(ExpectTheGameLostButTheProgramPrompt("redirecting to another port"));
    ExpectScenesOnAir(xsplit, {L"Menus", L"Game"});
    ASSERT_NO_FATAL_FAILURE(ExpectRecoveryOnceTheFaultIsOff());
}

// The game dies with an answer half sent: the probe gives up on it, the
// window goes, and the next game is found and watched.
TEST_F(FaultClientApiTest, TheGameKilledWhileAnAnswerIsHalfSent)
{
    ASSERT_NO_FATAL_FAILURE(StartWatchingAGame());
    ASSERT_TRUE(game.SetApiFault(kSimApiHalfThenHang, 1));
    ASSERT_NO_FATAL_FAILURE(ExpectTheGameLostButTheProgramPrompt("half an answer, then silence"));
    game.Kill();
    ASSERT_TRUE(program.WaitForStatus(L"Finding StarCraft II window..."));
    SimulatedGame restarted;
    ASSERT_TRUE(restarted.LaunchWithApi());
    ASSERT_TRUE(BringToFront(restarted.Window()));
    ExpectScenesOnAir(xsplit, {L"Menus", L"Game", L"Menus"});
    ASSERT_TRUE(restarted.EnterGame());
    ExpectScenesOnAir(xsplit, {L"Menus", L"Game", L"Menus", L"Game"});
    program.PressStartStop();
    CloseAndExpectNothingLost();
}

} // namespace

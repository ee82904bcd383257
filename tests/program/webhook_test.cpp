// The webhook as a chat bot's server sees it: a won game's start and end
// as JSON with the sentence a person reads, a server that never answers
// (given up, and no switch waits for it), a 500 said once until a POST
// goes through, and a redirect not followed. The real program, the
// simulated game's line-ups and XSplit; stand-in web servers on loopback.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "drive/local_patch_server.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

constexpr unsigned short kHookPort = 28029;
constexpr unsigned short kElsewherePort = 28030;

class WebhookTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
        ASSERT_TRUE(WriteStoredString(L"Player Names", L"Kestrel"));
        ASSERT_TRUE(WriteStoredString(L"OBS Record Source", L"Record"));
        ASSERT_TRUE(WriteStoredDword(L"Record Wins", 2));
        ASSERT_TRUE(WriteStoredDword(L"Record Losses", 1));
        ASSERT_TRUE(WriteStoredString(L"Webhook URL", L"http://127.0.0.1:" + std::to_wstring(kHookPort) + L"/hook?wait=true"));
        ASSERT_TRUE(patchServer.Start());
        program.UseOutsidePatchServer();
    }

    void TearDown() override { DeleteSettings(); }

    // The hook's server, answering every POST with this status.
    void StartHook(int status, const std::string& extraHeaders = "")
    {
        PatchAnswer answer;
        answer.status = status;
        answer.extraHeaders = extraHeaders;
        hook = std::make_unique<LocalPatchServer>(answer, kHookPort);
        ASSERT_TRUE(hook->Start());
    }

    void StartWatching()
    {
        ASSERT_TRUE(game.LaunchWithApi());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"", L"");
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ASSERT_TRUE(xsplit.WaitForClicks(1)) << "the menus' scene was not switched at Start";
        ASSERT_TRUE(game.SetLineup({{"&lt;KC&gt;<sp/>Kestrel", "user", "Terr", "Victory"},
                                    {"Foe", "user", "Zerg", "Defeat"}}));
    }

    // A won game's start and end, each switch landed. The loading screen
    // before it tells a new game from the last one told again.
    void BeginGame()
    {
        ASSERT_TRUE(game.ShowLoading());
        Sleep(400);
        const size_t before = xsplit.Clicks().size();
        ASSERT_TRUE(game.EnterGame());
        ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    }

    void EndGame()
    {
        const size_t before = xsplit.Clicks().size();
        ASSERT_TRUE(game.ShowScore());
        ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    }

    // A real map lasts minutes: its start is heard before it ends.
    void PlayGame()
    {
        const size_t heard = hook->Requests().size();
        ASSERT_NO_FATAL_FAILURE(BeginGame());
        ASSERT_TRUE(hook->WaitForRequests(heard + 1));
        ASSERT_NO_FATAL_FAILURE(EndGame());
    }

    LocalPatchServer patchServer;
    std::unique_ptr<LocalPatchServer> hook;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(WebhookTest, AWonGameIsToldAtItsStartAndItsEnd)
{
    ASSERT_NO_FATAL_FAILURE(StartHook(204));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ASSERT_NO_FATAL_FAILURE(PlayGame());
    ASSERT_TRUE(hook->WaitForRequests(2));
    const std::vector<SeenRequest> requests = hook->Requests();
    for (const SeenRequest& request : requests) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, "/hook?wait=true");
        EXPECT_EQ(request.Header("Content-Type"), "application/json; charset=utf-8");
    }
    EXPECT_EQ(requests[0].bytesAfterHead,
              R"({"event":"game-start","players":[{"name":"<KC> Kestrel","race":"Terran","type":"user","isUser":true,)"
              R"("result":""},{"name":"Foe","race":"Zerg","type":"user","isUser":false,"result":""}],"result":null,)"
              R"("record":{"wins":2,"losses":1,"ties":0,"text":"2 - 1"},"duration":null,)"
              R"("content":"<KC> Kestrel (Terran) vs Foe (Zerg): the game has begun."})");
    // The game's length as the simulated game's clock gives it: any.
    const std::string end =
        std::regex_replace(std::regex_replace(requests[1].bytesAfterHead, std::regex(R"("duration":\d+,)"),
                                              R"("duration":N,)"),
                           std::regex(R"( in \d+:\d\d\.)"), " in M:SS.");
    EXPECT_EQ(end,
              R"({"event":"game-end","players":[{"name":"<KC> Kestrel","race":"Terran","type":"user","isUser":true,)"
              R"("result":"Victory"},{"name":"Foe","race":"Zerg","type":"user","isUser":false,"result":"Defeat"}],)"
              R"("result":"Victory","record":{"wins":3,"losses":1,"ties":0,"text":"3 - 1"},"duration":N,)"
              R"("content":"<KC> Kestrel won against Foe (Zerg) in M:SS. Record: 3 - 1."})");
    EXPECT_EQ(program.Status().find(L"Webhook"), std::wstring::npos) << "a hook that answers is not spoken of";
}

// The server reads each POST and never answers: the game's switches go on
// while the POST hangs, it is given up and said, and the next goes out.
TEST_F(WebhookTest, AServerThatNeverAnswersHoldsNoSwitchAndIsGivenUp)
{
    ASSERT_NO_FATAL_FAILURE(StartHook(204));
    hook->HoldAnswers();
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ASSERT_NO_FATAL_FAILURE(BeginGame());
    ASSERT_TRUE(hook->WaitForRequests(1));
    ASSERT_NO_FATAL_FAILURE(EndGame()) << "the score screen's switch waited for the hook";
    std::vector<std::wstring> seen;
    EXPECT_TRUE(program.WaitForStatusSeen(L"Webhook failed: no answer within 5 s.", &seen, 20000))
        << testing::PrintToString(seen);
    hook->ReleaseAnswers();
    EXPECT_TRUE(hook->WaitForRequests(2, 20000)) << "the game's end was not posted after the start was given up";
    // Stop gives up a POST under way, and a Start after it watches again.
    hook->HoldAnswers();
    ASSERT_NO_FATAL_FAILURE(BeginGame());
    ASSERT_TRUE(hook->WaitForRequests(3));
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Aborted."));
    const size_t stopped = xsplit.Clicks().size();
    program.PressStartStop();
    EXPECT_TRUE(xsplit.WaitForClicks(stopped + 1)) << "no scene was switched after Stop and Start";
}

// Said once, and not at every event; said again after one went through.
TEST_F(WebhookTest, AFailureIsSaidOnceUntilAPostGoesThrough)
{
    ASSERT_NO_FATAL_FAILURE(StartHook(500));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ASSERT_NO_FATAL_FAILURE(BeginGame());
    std::vector<std::wstring> seen;
    EXPECT_TRUE(program.WaitForStatusSeen(L"Webhook failed: HTTP 500.", &seen)) << testing::PrintToString(seen);
    ASSERT_NO_FATAL_FAILURE(EndGame());
    ASSERT_TRUE(hook->WaitForClientClose(1));
    ASSERT_NO_FATAL_FAILURE(PlayGame());
    ASSERT_TRUE(hook->WaitForClientClose(3));
    Sleep(SimulatedXSplit::kQuietAfterClicksMs);
    EXPECT_EQ(program.Status(), L"Last event: Switch to leave game scene.") << "the same failure was said again";

    ASSERT_NO_FATAL_FAILURE(StartHook(200));
    ASSERT_NO_FATAL_FAILURE(PlayGame());
    ASSERT_TRUE(hook->WaitForClientClose(1));
    ASSERT_NO_FATAL_FAILURE(StartHook(500));
    ASSERT_NO_FATAL_FAILURE(BeginGame());
    EXPECT_TRUE(program.WaitForStatusSeen(L"Webhook failed: HTTP 500.", &seen)) << testing::PrintToString(seen);
}

// A 302 is a failure: the server it points to never hears of the game.
TEST_F(WebhookTest, ARedirectIsNotFollowed)
{
    LocalPatchServer elsewhere(PatchAnswer(), kElsewherePort);
    ASSERT_TRUE(elsewhere.Start());
    ASSERT_NO_FATAL_FAILURE(StartHook(302, "Location: http://127.0.0.1:" + std::to_string(kElsewherePort) + "/\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    ASSERT_NO_FATAL_FAILURE(BeginGame());
    std::vector<std::wstring> seen;
    EXPECT_TRUE(program.WaitForStatusSeen(L"Webhook failed: HTTP 302, a redirect; it is not followed.", &seen))
        << testing::PrintToString(seen);
    ASSERT_NO_FATAL_FAILURE(EndGame());
    ASSERT_TRUE(hook->WaitForClientClose(1));
    EXPECT_TRUE(elsewhere.Requests().empty());
}

} // namespace

// Faults on the OBS side of a session with OBS Studio chosen. A real OBS
// cannot be made to send broken frames, so a server of the tests' own plays
// OBS here, answering the program's first request wrongly: a frame cut
// short, text that is not JSON, an answer to another request, a message of
// several megabytes, a binary frame. None may crash the program or leave it
// stuck; it gives the connection up and tries again, its window and Stop
// stay prompt, and once a real OBS listens there the next events switch.
#include <cstdio>
#include <string>
#include <vector>

#include "drive/fake_obs_server.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "fault_support.h"

namespace {

constexpr DWORD kPromptMs = 3000;
const std::vector<std::string> kObsScenes = {"Start", "Game", "Menus", "Back", "Away"};

class FaultObsTest : public StreamingSession {
protected:
    void SetUp() override
    {
        settings.obs = true;
        settings.obsHost = L"127.0.0.1";
        settings.obsPort = kObsTestPort;
    }

    // The next scene OBS puts on air.
    std::string NextSceneOnAir(ObsWebSocket& watcher)
    {
        ObsSceneChange change;
        if (!watcher.WaitForSceneChange(&change, 20000))
            return "(none: " + watcher.Error() + ")";
        return change.sceneName;
    }

    void SurviveBrokenAnswers(FakeObsAnswer answer, const char* what)
    {
        {
            FakeObsServer fake(answer);
            ASSERT_TRUE(fake.Start(kObsTestPort));
            ASSERT_NO_FATAL_FAILURE(LaunchSession());
            ASSERT_TRUE(BringToFront(game.Window()));
            program.PressStartStop();
            // The first sample's request meets the broken answer; the program
            // gives that connection up and connects again.
            ASSERT_TRUE(WaitUntil([&] { return fake.Requests() >= 1; })) << "no request reached the server";
            EXPECT_TRUE(WaitUntil([&] { return fake.Identified() >= 2; }, 20000))
                << "the program did not give the broken connection up";
            EXPECT_TRUE(program.WaitForStatus(L"Connecting to OBS...", 20000) ||
                        program.Status() == L"Last event: Switch to leave game scene.");
            const DWORD answerMs = AnswerTimeMs(program.Window());
            const DWORD stopMs = TimedClick(program, 1011);
            std::printf("OBS answering with %s: %d connections, %d requests; the window answered in %lu ms, "
                        "Stop took %lu ms\n", what, fake.Identified(), fake.Requests(), answerMs, stopMs);
            EXPECT_LT(answerMs, kPromptMs);
            EXPECT_LT(stopMs, kPromptMs);
            EXPECT_EQ(program.Status(), L"Aborted.");
            EXPECT_TRUE(program.Process().IsRunning());
        }
        // A real OBS on the same port: switching works from the next event on.
        ObsStudio obs;
        ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-faults"), kObsScenes, "")) << obs.Error();
        ObsWebSocket watcher;
        ASSERT_TRUE(watcher.Connect(kObsTestPort, "", kObsEventScenes)) << watcher.Error();
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        EXPECT_EQ(NextSceneOnAir(watcher), "Menus");
        game.StartGame();
        EXPECT_EQ(NextSceneOnAir(watcher), "Game");
        program.PressStartStop();
        EXPECT_TRUE(xsplit.Clicks().empty()) << "XSplit was clicked with OBS chosen";
        CloseAndExpectNothingLost();
    }
};

TEST_F(FaultObsTest, AFrameCutShort)
{
    SurviveBrokenAnswers(FakeObsAnswer::FrameCutShort, "a frame cut short");
}

TEST_F(FaultObsTest, TextThatIsNotJson)
{
    SurviveBrokenAnswers(FakeObsAnswer::NotJson, "text that is not JSON");
}

TEST_F(FaultObsTest, AnAnswerToAnotherRequest)
{
    SurviveBrokenAnswers(FakeObsAnswer::WrongRequestId, "the wrong requestId");
}

TEST_F(FaultObsTest, AMessageOfSeveralMegabytes)
{
    SurviveBrokenAnswers(FakeObsAnswer::Megabytes, "5 MB in one message");
}

TEST_F(FaultObsTest, ABinaryFrame)
{
    SurviveBrokenAnswers(FakeObsAnswer::BinaryFrame, "a binary frame");
}

} // namespace

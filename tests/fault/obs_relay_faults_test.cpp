// The XSplit side of a network pair switching a real OBS Studio, and OBS
// going away between two requests from the game computer, which sends each
// scene once: the scene that came while OBS was away is on air once OBS is
// back, and the status line says meanwhile that OBS is being waited for.
// What is on air is asked of OBS itself.
#include <cstdio>
#include <string>
#include <vector>

#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "drive/udp_sender.h"
#include "fault_support.h"

namespace {

// "Start" is on air when OBS first starts, "Game" once the receiver has
// switched; a restarted OBS shows one of the two, whichever it saved, so
// the scenes sent while it is away are the others.
const std::vector<std::string> kObsScenes = {"Start", "Game", "Menus", "Away"};

class FaultObsRelayTest : public StreamingSession {
protected:
    void SetUp() override
    {
        ChooseObsOnThisComputer();
        ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-relay-faults"), kObsScenes, "")) << obs.Error();
        ASSERT_NO_FATAL_FAILURE(StartReceiver({L"Game", L"Menus"}));
        ASSERT_NO_FATAL_FAILURE(ExpectSentSceneOnAir("Game"));
    }

    // Sends the scene as the game computer does, once.
    static void Send(const std::string& scene)
    {
        ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(std::wstring(scene.begin(), scene.end()))));
    }

    // What OBS has on air, asked over a connection of the test's own.
    std::string OnAir()
    {
        ObsWebSocket asker;
        std::string name;
        if (!asker.Connect(kObsTestPort, "") || !asker.GetCurrentProgramScene(&name))
            return "(unknown: " + asker.Error() + ")";
        return name;
    }

    void ExpectSentSceneOnAir(const std::string& scene)
    {
        Send(scene);
        ExpectOnAirOnceBack(scene);
    }

    void ExpectOnAirOnceBack(const std::string& scene)
    {
        EXPECT_TRUE(WaitUntil([&] { return OnAir() == scene; }, 30000))
            << scene << " is not on air: " << OnAir() << "; the receiver says "
            << testing::PrintToString(program.Status());
        const std::wstring switching = L"Remote switching to '" + std::wstring(scene.begin(), scene.end()) + L"'.";
        EXPECT_TRUE(program.WaitForStatus(switching)) << testing::PrintToString(program.Status());
    }

    // OBS freezes and a scene comes: the connection is still open, so the
    // switch is tried and lost after 2 s, and the status line says so.
    void SendWhileObsIsFrozen(const std::string& scene)
    {
        ASSERT_TRUE(obs.Freeze()) << obs.Error();
        ASSERT_NO_FATAL_FAILURE(Send(scene));
        EXPECT_TRUE(program.WaitForStatus(L"Lost OBS, connecting again...", 20000))
            << testing::PrintToString(program.Status());
    }

    void ExpectPromptStopAndNothingLost()
    {
        const DWORD stopMs = TimedClick(program, 1011);
        std::printf("Stop took %lu ms\n", stopMs);
        EXPECT_LT(stopMs, 3000u);
        EXPECT_EQ(program.Status(), L"Aborted.");
        EXPECT_TRUE(xsplit.Clicks().empty()) << "XSplit was clicked with OBS chosen";
        CloseAndExpectNothingLost();
    }

    ObsStudio obs;
};

// The second request comes while OBS is down.
TEST_F(FaultObsRelayTest, ObsKilledAndStartedAgainBetweenTwoDatagrams)
{
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    ASSERT_NO_FATAL_FAILURE(Send("Menus"));
    EXPECT_TRUE(program.WaitForStatus(L"Lost OBS, connecting again...", 20000))
        << testing::PrintToString(program.Status());
    ASSERT_TRUE(obs.Restart()) << obs.Error();
    ExpectOnAirOnceBack("Menus");
    ExpectPromptStopAndNothingLost();
}

// The second request finds the connection still open and OBS frozen, so
// the switch itself is lost; then OBS is killed and started again.
TEST_F(FaultObsRelayTest, ObsFrozenWhenADatagramComesThenKilledAndStartedAgain)
{
    ASSERT_NO_FATAL_FAILURE(SendWhileObsIsFrozen("Menus"));
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    ASSERT_TRUE(obs.Restart()) << obs.Error();
    ExpectOnAirOnceBack("Menus");
    ExpectPromptStopAndNothingLost();
}

// A newer request that comes while OBS is away is the one on air once it
// is back: the older one would only flash before it.
TEST_F(FaultObsRelayTest, ANewerRequestWhileObsIsAwayIsTheOneOnAirAfter)
{
    ASSERT_NO_FATAL_FAILURE(SendWhileObsIsFrozen("Menus"));
    ASSERT_NO_FATAL_FAILURE(Send("Away"));
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    ASSERT_TRUE(obs.Restart()) << obs.Error();
    ExpectOnAirOnceBack("Away");
    ExpectPromptStopAndNothingLost();
}

} // namespace

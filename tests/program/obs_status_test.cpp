// What the status line says while the program cannot reach OBS for a
// reason that waiting does not mend: no host set, or an OBS that speaks
// another version of its protocol. A stand-in plays the OBS that closes
// the connection for its version (and checks that its close frame is
// answered); the texts are contracts, pinned here as the README shows them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drive/fake_obs_server.h"
#include "drive/obs_settings.h"
#include "drive/obs_studio.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

class ObsStatusTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }

    void StartWatching()
    {
        ASSERT_TRUE(game.Launch());
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"", L"");
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
    }

    void ExpectPromptStop()
    {
        const ULONGLONG before = GetTickCount64();
        program.PressStartStop();
        const ULONGLONG stopMs = GetTickCount64() - before;
        std::printf("Stop took %llu ms\n", stopMs);
        EXPECT_LT(stopMs, 3000u);
        EXPECT_EQ(program.Status(), L"Aborted.");
    }

    SimulatedGame game;
    KestrelcueProgram program;
};

// An "OBS Host" emptied in the registry: nothing to connect to, and the
// status line says so instead of "Connecting to OBS..." for ever.
TEST_F(ObsStatusTest, AnEmptyHostIsSaidToBeUnset)
{
    ASSERT_TRUE(StoreObsChosen(L"", kObsTestPort, L""));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    EXPECT_TRUE(program.WaitForStatus(L"Error: No OBS host is set. Enter it in Options.")) << testing::PrintToString(
        program.Status());
    ExpectPromptStop();
    EXPECT_TRUE(program.Close());
}

TEST_F(ObsStatusTest, AnObsOfAnotherProtocolVersionIsSaidToBeOne)
{
    FakeObsBehaviour otherVersion;
    otherVersion.identifyCloseCode = 4010;
    FakeObsServer fake(otherVersion);
    ASSERT_TRUE(fake.Start(kObsTestPort));
    ASSERT_TRUE(StoreObsChosen(L"127.0.0.1", kObsTestPort, L""));
    ASSERT_NO_FATAL_FAILURE(StartWatching());
    EXPECT_TRUE(program.WaitForStatus(L"Error: OBS does not speak Kestrelcue's version of obs-websocket."))
        << testing::PrintToString(program.Status());
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<FakeObsConnection> connections = fake.Connections();
        return !connections.empty() && connections[0].endedAt != 0;
    }));
    const FakeObsConnection first = fake.Connections()[0];
    EXPECT_TRUE(first.closeAnswered) << "OBS's close frame was not answered";
    EXPECT_EQ(first.closeAnswerCode, 4010);
    EXPECT_EQ(fake.Requests(), 0);
    ExpectPromptStop();
    EXPECT_TRUE(program.Close());
}

} // namespace

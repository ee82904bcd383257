// The real OBS Studio that the OBS tests run against, and the tests' own
// WebSocket client that asks it which scene is on air: both must work before
// a test of the program can lean on them. OBS is started, killed, frozen and
// thawed for real; each test starts its own from a fresh home.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drive/child_process.h"
#include "drive/fake_obs_server.h"
#include "drive/obs_studio.h"
#include "drive/obs_websocket_client.h"
#include "obs/obs.h"

namespace {

const std::vector<std::string> kScenes = {"Game", "Menus", "Away", "Back", "Spaced Name", u8"Spiel läuft"};
constexpr char kPassword[] = "kestrel-Passw0rd";
// The bound the frozen-OBS test gives each call of the client.
constexpr DWORD kFrozenCallMs = 2000;

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class ObsPeerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-peer"), kScenes, kPassword)) << obs.Error();
    }

    // Connects with the password; the test ends here when that fails.
    void Connect(ObsWebSocket& client, unsigned subscriptions = 0)
    {
        ASSERT_TRUE(client.Connect(kObsTestPort, kPassword, subscriptions)) << client.Error();
    }

    void ExpectEveryScene(ObsWebSocket& client)
    {
        std::vector<std::string> names;
        ASSERT_TRUE(client.GetSceneList(&names)) << client.Error();
        EXPECT_EQ(Sorted(names), Sorted(kScenes));
    }

    // Ends OBS after the clients of each test, whatever happened.
    ObsStudio obs;
};

TEST_F(ObsPeerTest, IdentifiesWithThePasswordAndListsEveryScene)
{
    ObsWebSocket client;
    Connect(client);
    std::string obsVersion, webSocketVersion;
    ASSERT_TRUE(client.GetVersion(&obsVersion, &webSocketVersion)) << client.Error();
    EXPECT_EQ(webSocketVersion.substr(0, 2), "5.") << webSocketVersion;
    EXPECT_FALSE(obsVersion.empty());
    ExpectEveryScene(client);
    std::string current;
    ASSERT_TRUE(client.GetCurrentProgramScene(&current)) << client.Error();
    EXPECT_EQ(current, "Game") << "the first scene prepared is on air";
}

TEST_F(ObsPeerTest, ASceneSetIsOnAirAndAnnounced)
{
    ObsWebSocket client;
    Connect(client, kObsEventScenes);
    for (const std::string& scene : {std::string(u8"Spiel läuft"), std::string("Spaced Name")}) {
        ASSERT_TRUE(client.SetCurrentProgramScene(scene)) << client.Error();
        ObsSceneChange change;
        ASSERT_TRUE(client.WaitForSceneChange(&change)) << client.Error();
        EXPECT_EQ(change.sceneName, scene);
        EXPECT_NE(change.receivedAt.QuadPart, 0);
        std::string current;
        ASSERT_TRUE(client.GetCurrentProgramScene(&current)) << client.Error();
        EXPECT_EQ(current, scene);
    }
    EXPECT_FALSE(client.SetCurrentProgramScene("No Such Scene")) << "OBS refuses a scene it does not have";
    EXPECT_NE(client.Error().find("No Such Scene"), std::string::npos) << client.Error();
}

TEST_F(ObsPeerTest, AClientWithoutTheSceneSubscriptionHearsNoSceneEvent)
{
    ObsWebSocket listener, other;
    Connect(listener);
    Connect(other);
    ASSERT_TRUE(other.SetCurrentProgramScene("Menus")) << other.Error();
    listener.SetTimeout(1000);
    ObsSceneChange change;
    EXPECT_FALSE(listener.WaitForSceneChange(&change, 1000)) << "heard " << change.sceneName;
    EXPECT_TRUE(listener.IsConnected()) << "a wait that ends is no failure of the connection";
}

TEST_F(ObsPeerTest, AWrongPasswordIsClosedWith4009)
{
    ObsWebSocket client;
    EXPECT_FALSE(client.Connect(kObsTestPort, "not-the-password"));
    EXPECT_EQ(client.CloseCode(), kObsCloseAuthenticationFailed) << client.Error();
    EXPECT_FALSE(client.IsConnected());
    Connect(client);
    ExpectEveryScene(client);
}

TEST_F(ObsPeerTest, AKilledObsIsGoneAndComesBackWithItsScenes)
{
    ObsWebSocket client;
    Connect(client);
    const unsigned long firstPid = obs.Pid();
    ASSERT_TRUE(obs.Kill()) << obs.Error();
    EXPECT_EQ(obs.Status(), "stopped");
    std::string current;
    EXPECT_FALSE(client.GetCurrentProgramScene(&current)) << "a killed OBS answered: " << current;
    ObsWebSocket refused;
    EXPECT_FALSE(refused.Connect(kObsTestPort, kPassword)) << "nothing listens once OBS is killed";

    ASSERT_TRUE(obs.Restart()) << obs.Error();
    EXPECT_NE(obs.Pid(), firstPid);
    EXPECT_EQ(obs.Status(), "running");
    ObsWebSocket again;
    Connect(again);
    ExpectEveryScene(again);
}

TEST_F(ObsPeerTest, AFrozenObsTimesOutAndAnswersAfterThaw)
{
    ObsWebSocket client;
    Connect(client);
    client.SetTimeout(kFrozenCallMs);
    ASSERT_TRUE(obs.Freeze()) << obs.Error();
    EXPECT_EQ(obs.Status(), "frozen");

    const ULONGLONG before = GetTickCount64();
    std::string current;
    EXPECT_FALSE(client.GetCurrentProgramScene(&current)) << "a frozen OBS answered: " << current;
    const ULONGLONG waited = GetTickCount64() - before;
    // Not a timing goal: the call must end at its bound, not at the thaw.
    EXPECT_LT(waited, kFrozenCallMs + 10000) << "the call waited " << waited << " ms";
    ObsWebSocket newcomer;
    newcomer.SetTimeout(kFrozenCallMs);
    EXPECT_FALSE(newcomer.Connect(kObsTestPort, kPassword)) << "a frozen OBS said Hello";

    ASSERT_TRUE(obs.Thaw()) << obs.Error();
    EXPECT_EQ(obs.Status(), "running");
    client.SetTimeout(ObsWebSocket::kDefaultTimeoutMs);
    ASSERT_TRUE(client.GetCurrentProgramScene(&current)) << "the same connection after the thaw: " << client.Error();
    EXPECT_EQ(current, "Game");
    ObsWebSocket later;
    Connect(later);
    ExpectEveryScene(later);
}

TEST(ObsPeerWithoutPasswordTest, IdentifiesWithoutAuthentication)
{
    ObsStudio obs;
    ASSERT_TRUE(obs.Start(FreshTempFolder(L"obs-peer-open"), {"Game", "Menus"}, "")) << obs.Error();
    ObsWebSocket client;
    ASSERT_TRUE(client.Connect(kObsTestPort, "")) << client.Error();
    std::vector<std::string> names;
    ASSERT_TRUE(client.GetSceneList(&names)) << client.Error();
    EXPECT_EQ(Sorted(names), Sorted({"Game", "Menus"}));
}

// A name with several addresses, the first unreachable (localhost as ::1
// first, with an OBS that listens on 127.0.0.1 only): each is tried in
// order until one connects, the Host header naming OBS as typed. No name
// resolves to two addresses here without a name server, so the addresses
// are given directly; the lookup's own path is every other OBS test's.
TEST(ObsAddressesTest, EachAddressOfTheHostIsTriedUntilOneConnects)
{
    FakeObsServer fake(FakeObsAnswer::Proper);
    ASSERT_TRUE(fake.Start(kObsTestPort));
    HostAddresses addresses = {};
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&addresses.each[0].address);
    v6->sin6_family = AF_INET6;
    v6->sin6_addr = in6addr_loopback;
    v6->sin6_port = htons(kObsTestPort);
    addresses.each[0].length = sizeof *v6;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&addresses.each[1].address);
    v4->sin_family = AF_INET;
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    v4->sin_port = htons(kObsTestPort);
    addresses.each[1].length = sizeof *v4;
    addresses.count = 2;

    int at = 0;
    ObsSocketFailure failure = ObsSocketFailure::Failed;
    ObsSocket* socket = OpenObsSocketAt(L"localhost", addresses, &at, kObsTestPort, kObsWaitMs, nullptr, &failure);
    EXPECT_NE(socket, nullptr) << "failure " << int(failure);
    CloseObsSocket(socket);
    EXPECT_EQ(at, 1) << "the next connection does not start from the address that worked";
    ASSERT_EQ(fake.Connections().size(), 1u);
    EXPECT_EQ(fake.Connections()[0].host, "localhost:" + std::to_string(kObsTestPort));
}

} // namespace

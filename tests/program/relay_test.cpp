// The XSplit side of a network pair, fed with real UDP datagrams, and two
// real programs relaying over loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drive/message_box.h"
#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"
#include "drive/udp_sender.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clicks = std::vector<std::wstring>;

// Settings as a computer of one side of a network pair has them.
void StoreNetworkSettings(DWORD role, const std::wstring& host = L"")
{
    DeleteSettings();
    WriteStoredDword(L"Remote Enabled", 1);
    WriteStoredDword(L"Remote Role", role);
    WriteStoredString(L"Remote Host", host);
}

class ReceiverTest : public testing::Test {
protected:
    void SetUp() override { StoreNetworkSettings(2); }

    void StartReceiver()
    {
        ASSERT_TRUE(program.Launch());
        program.PressStartStop();
        ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    }

    void ExpectClicks(const SimulatedXSplit& x, const Clicks& expected)
    {
        EXPECT_EQ(x.SettledClicks(expected.size()), expected);
    }

    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(ReceiverTest, AReceivedSceneIsClickedAndShown)
{
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    StartReceiver();
    EXPECT_FALSE(program.IsEnabled(1004)) << "the scene fields do not apply on the XSplit side";
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ExpectClicks(xsplit, {L"Game"});
    EXPECT_EQ(program.Status(), L"Remote switching to 'Game'.");
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Nope")));
    EXPECT_TRUE(program.WaitForStatus(L"Error: Scene 'Nope' not found."));
}

TEST_F(ReceiverTest, MalformedDatagramsSwitchNothingAndSayNothing)
{
    ASSERT_TRUE(xsplit.Launch({L"Game", L"a"}));
    StartReceiver();
    const Bytes garbage[] = {
        {}, {1}, {1, 0}, {1, 0, 0}, {1, 0, 0, 0},
        {0, 0, 0, 0, 'a', 0, 0, 0}, {2, 0, 0, 0, 'a', 0, 0, 0}, {0, 0, 0, 1, 'a', 0, 0, 0},
        Bytes(1025, 1),
    };
    for (const Bytes& d : garbage)
        ASSERT_TRUE(SendDatagram(kSceneRelayPort, d));
    Sleep(500);
    EXPECT_EQ(program.Status(), L"Waiting for network event...");
    EXPECT_TRUE(xsplit.Clicks().empty());
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ExpectClicks(xsplit, {L"Game"});
}

TEST_F(ReceiverTest, EdgesOfTheNameAreTakenAsTheyCome)
{
    ASSERT_TRUE(xsplit.Launch({L"ab", L"Game"}));
    StartReceiver();
    // Empty names are obeyed like any other; this XSplit has no such button,
    // and "ab" is within two edits of it.
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, {1, 0, 0, 0, 'x'}));
    EXPECT_TRUE(program.WaitForStatus(L"Error: Scene '' not found. Did you mean 'ab'?"));
    program.SetText(1012, L"-");
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, {1, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(program.WaitForStatus(L"Error: Scene '' not found. Did you mean 'ab'?"));
    // Without a terminator the name runs to the end of the datagram.
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, {1, 0, 0, 0, 'a', 0, 'b', 0}));
    ExpectClicks(xsplit, {L"ab"});
    // A full buffer without a terminator: 510 units, shown and looked for.
    Bytes full(1024, 'z');
    full[0] = 1, full[1] = full[2] = full[3] = 0;
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, full));
    // The not-found text is cut to the status line's 511 characters.
    EXPECT_TRUE(program.WaitForStatus(L"Error: Scene '" + std::wstring(511 - 14, L'\u7a7a')));
}

TEST_F(ReceiverTest, AFloodOfGarbageDoesNotDrownTheNextRequest)
{
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    StartReceiver();
    for (int i = 0; i < 2000; ++i) {
        Bytes d(size_t(i % 40), uint8_t(i * 7));
        if (d.size() >= 4)
            d[0] = uint8_t(2 + i % 5);  // never type 1
        SendDatagram(kSceneRelayPort, d);
    }
    // The socket's buffer may have dropped some of the flood, never the
    // receiver's ability to take the next request.
    ASSERT_TRUE(WaitUntil([&] {
        SendDatagram(kSceneRelayPort, SceneDatagram(L"Game"));
        return xsplit.WaitForClicks(1, 500);
    }, 30000));
    EXPECT_EQ(xsplit.Clicks().front(), L"Game");
}

TEST_F(ReceiverTest, XSplitClosedWhileIdleIsNoticedAtTheNextDatagram)
{
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    StartReceiver();
    xsplit.Kill();
    Sleep(300);
    EXPECT_EQ(program.Status(), L"Waiting for network event...") << "nothing is noticed without a datagram";
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    EXPECT_TRUE(program.WaitForStatus(L"Lost XSplit, trying to find..."));
    SimulatedXSplit again;
    ASSERT_TRUE(again.Launch({L"Game"}));
    ExpectClicks(again, {L"Game"});
    EXPECT_EQ(program.Status(), L"Remote switching to 'Game'.");
}

// The port stays bound while the receiver looks for XSplit again, so the
// requests sent meanwhile wait in the socket and are obeyed in order.
TEST_F(ReceiverTest, RequestsSentWhileXSplitIsBeingFoundAgainWaitForIt)
{
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    StartReceiver();
    xsplit.Kill();
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Menus")));
    ASSERT_TRUE(program.WaitForStatus(L"Lost XSplit, trying to find..."));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Away")));
    Sleep(300);
    SimulatedXSplit again;
    ASSERT_TRUE(again.Launch({L"Game", L"Menus", L"Away"}));
    ExpectClicks(again, {L"Menus", L"Game", L"Away"});
}

TEST_F(ReceiverTest, StopEndsTheReceiverWhetherWaitingForDatagramsOrForXSplit)
{
    ASSERT_TRUE(program.Launch());
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Finding XSplit window..."));
    ULONGLONG before = GetTickCount64();
    program.PressStartStop();
    std::printf("Stop while the receiver waits for XSplit took %llu ms\n", GetTickCount64() - before);
    EXPECT_EQ(program.Status(), L"Aborted.");
    EXPECT_EQ(program.Text(1011), L"Start");

    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    program.PressStartStop();
    ASSERT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    before = GetTickCount64();
    program.PressStartStop();
    std::printf("Stop while the receiver waits for a datagram took %llu ms\n", GetTickCount64() - before);
    EXPECT_EQ(program.Status(), L"Aborted.");
    // The port was released: the receiver starts again.
    program.PressStartStop();
    EXPECT_TRUE(program.WaitForStatus(L"Waiting for network event..."));
    EXPECT_EQ(FindMessageBox(program.Process().Id()), nullptr);
}

TEST_F(ReceiverTest, ASecondReceiverOnTheSameComputerCannotBind)
{
    ASSERT_TRUE(xsplit.Launch({L"Game"}));
    StartReceiver();
    KestrelcueProgram second;
    ASSERT_TRUE(second.Launch());
    second.PressStartStop();
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(second.Process().Id())) != nullptr; }));
    EXPECT_EQ(MessageBoxText(box), L"Unable to bind to port 53871, check firewall / security shit or maybe the "
                                   L"program is already running!");
    DismissMessageBox(box);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    Sleep(300);
    // The worker has ended on its own; the window waits for the user's Stop.
    EXPECT_EQ(second.Text(1011), L"Stop");
    EXPECT_FALSE(second.IsEnabled(1013));
    second.PressStartStop();
    EXPECT_EQ(second.Status(), L"Aborted.");
    EXPECT_EQ(second.Text(1011), L"Start");
    // The first one still works.
    ASSERT_TRUE(SendDatagram(kSceneRelayPort, SceneDatagram(L"Game")));
    ExpectClicks(xsplit, {L"Game"});
}

class NetworkPairTest : public testing::Test {
protected:
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram gameSide, xsplitSide;
};

TEST_F(NetworkPairTest, AGameStartOnOneComputerSwitchesXSplitOnTheOther)
{
    ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
    StoreNetworkSettings(2);
    ASSERT_TRUE(xsplitSide.Launch());
    xsplitSide.PressStartStop();
    ASSERT_TRUE(xsplitSide.WaitForStatus(L"Waiting for network event..."));

    StoreNetworkSettings(1, L"127.0.0.1");
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(gameSide.Launch());
    gameSide.SetText(1004, L"Game");
    gameSide.SetText(1006, L"Menus");
    ASSERT_TRUE(BringToFront(game.Window()));
    gameSide.PressStartStop();
    ASSERT_TRUE(xsplit.WaitForClicks(1));
    game.StartGame();
    ASSERT_TRUE(xsplit.WaitForClicks(2));
    EXPECT_EQ(xsplit.Clicks(), (Clicks{L"Menus", L"Game"}));
    EXPECT_TRUE(xsplitSide.WaitForStatus(L"Remote switching to 'Game'."));
    EXPECT_EQ(gameSide.Status(), L"Last event: Switch to enter game scene.");
}

TEST_F(NetworkPairTest, TheGameSideNeverNeedsXSplit)
{
    StoreNetworkSettings(1, L"127.0.0.1");
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(gameSide.Launch());
    gameSide.SetText(1006, L"Menus");
    ASSERT_TRUE(BringToFront(game.Window()));
    gameSide.PressStartStop();
    EXPECT_TRUE(gameSide.WaitForStatus(L"Last event: Switch to leave game scene."));
    std::vector<std::wstring> seen;
    gameSide.WaitForStatusSeen(L"Finding XSplit window...", &seen, 1000);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), L"Finding XSplit window..."), 0);
}

TEST_F(NetworkPairTest, AnAddressThatCannotBeUsedIsReportedAtEveryRequest)
{
    // Its UTF-8 form does not fit the resolver's 255 bytes: refused, not cut.
    StoreNetworkSettings(1, std::wstring(130, L'\u00e9') + L".example");
    ASSERT_TRUE(game.Launch());
    ASSERT_TRUE(gameSide.Launch());
    gameSide.SetText(1004, L"Game");
    gameSide.SetText(1006, L"Menus");
    ASSERT_TRUE(BringToFront(game.Window()));
    gameSide.PressStartStop();
    for (int request = 0; request < 2; ++request) {
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox(gameSide.Process().Id())) != nullptr; }))
            << "request " << request;
        EXPECT_EQ(MessageBoxText(box), L"Unable to figure out the address you entered on the network setup page!");
        EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
        DismissMessageBox(box);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        // The closed box gave the focus back to the program's window; the
        // game must be in front again, and seen there by a sample, before
        // its start counts.
        ASSERT_TRUE(BringToFront(game.Window()));
        Sleep(500);
        if (request == 0)
            game.StartGame();
    }
    Sleep(500);
    EXPECT_EQ(FindMessageBox(gameSide.Process().Id()), nullptr) << "one box per request, no more";
}

} // namespace

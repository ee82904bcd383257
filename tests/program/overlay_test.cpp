// The overlay's server as a browser source and a test client see it: off
// by default, the match and the record as JSON after a played game, a
// hostile name kept as text, and every bound (the Host, 16 clients, the
// head's 8 KB, a port taken already); and the page itself in a real
// browser, read from its DOM. The real program, the simulated game's
// line-ups and the simulated XSplit; a plain client over Winsock, and
// Chromium through scripts/browser-peer.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/browser.h"
#include "drive/child_process.h"
#include "drive/local_patch_server.h"
#include "drive/program.h"
#include "drive/record_dialog.h"
#include "drive/simulators.h"
#include "drive/stored_settings.h"

namespace {

constexpr u_short kPort = 28028;
const std::string kHost = "127.0.0.1:" + std::to_string(kPort);

SOCKET Connect()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET && connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        s = INVALID_SOCKET;
    }
    return s;
}

// Sends `request` and reads until the server closes (or 10 s); "" when no
// connection could be made.
std::string Ask(const std::string& request, size_t enough = std::string::npos)
{
    const SOCKET s = Connect();
    if (s == INVALID_SOCKET)
        return "";
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    send(s, request.data(), int(request.size()), 0);
    std::string answer;
    char buffer[4096];
    int got;
    while (answer.size() < enough && (got = recv(s, buffer, sizeof buffer, 0)) > 0)
        answer.append(buffer, size_t(got));
    closesocket(s);
    return answer;
}

std::string Get(const std::string& path, const std::string& host = kHost)
{
    return Ask("GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
}

std::string StatusLineOf(const std::string& answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

bool IsListening()
{
    const SOCKET s = Connect();
    closesocket(s);
    return s != INVALID_SOCKET;
}

class OverlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        DeleteSettings();
        ASSERT_TRUE(WriteStoredDword(L"Game State Source", 1));
        ASSERT_TRUE(WriteStoredString(L"Player Names", L"Kestrel"));
        ASSERT_TRUE(WriteStoredString(L"Record Format", L"{wins} W {losses} L"));
        ASSERT_TRUE(patchServer.Start());
        program.UseOutsidePatchServer();
    }

    void TearDown() override
    {
        DeleteSettings();
        WSACleanup();
    }

    void StartWatching(DWORD overlayPort)
    {
        if (overlayPort != 0) {
            ASSERT_TRUE(WriteStoredDword(L"Overlay Port", overlayPort));
        }
        ASSERT_TRUE(game.LaunchWithApi());
        ASSERT_TRUE(xsplit.Launch({L"Game", L"Menus"}));
        ASSERT_TRUE(program.Launch());
        program.NameScenes(L"Game", L"Menus", L"", L"");
        ASSERT_TRUE(BringToFront(game.Window()));
        program.PressStartStop();
        ASSERT_TRUE(xsplit.WaitForClicks(1)) << "the menus' scene was not switched at Start";
    }

    void Play(const std::vector<SimLineupPlayer>& lineup)
    {
        ASSERT_TRUE(game.SetLineup(lineup));
        ASSERT_TRUE(game.ShowLoading());
        Sleep(400);
        const size_t before = xsplit.Clicks().size();
        ASSERT_TRUE(game.EnterGame());
        ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
        ASSERT_TRUE(game.ShowScore());
        ASSERT_TRUE(xsplit.WaitForClicks(before + 2));
    }

    LocalPatchServer patchServer;
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

TEST_F(OverlayTest, NothingListensByDefault)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching(0));
    Sleep(500);
    EXPECT_FALSE(IsListening());
}

// A played game against a player whose name is markup: the JSON has the
// name as a person reads it, escaped as JSON escapes it, the record and
// the game in the list; the page puts names in as text.
TEST_F(OverlayTest, StateAfterAGameKeepsAHostileNameAsText)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching(kPort));
    ASSERT_TRUE(WaitUntil(IsListening));
    ASSERT_NO_FATAL_FAILURE(Play({{"&lt;KC&gt;<sp/>Kestrel", "user", "Zerg", "Victory"},
                                  {"<img src=x onerror=alert(1)>\"", "user", "Terr", "Defeat"}}));
    std::string state;
    EXPECT_TRUE(WaitUntil([&] { return (state = Get("/state")).find("\"games\":[{") != std::string::npos; }))
        << state;
    EXPECT_EQ(StatusLineOf(state), "HTTP/1.1 200 OK");
    EXPECT_NE(state.find(R"("record":{"wins":1,"losses":0,"ties":0,"text":"1 W 0 L"})"), std::string::npos) << state;
    EXPECT_NE(state.find(R"("players":[{"name":"<KC> Kestrel","race":"Zerg","type":"user","isUser":true,)"
                         R"("result":"Victory"},{"name":"<img src=x onerror=alert(1)>\"","race":"Terran")"),
              std::string::npos)
        << state;
    EXPECT_NE(state.find(R"("games":[{"opponent":"<img src=x onerror=alert(1)>\"","race":"Terran",)"
                         R"("result":"Victory")"),
              std::string::npos)
        << state;
    const std::string events = Ask("GET /events HTTP/1.1\r\nHost: localhost:" + std::to_string(kPort) + "\r\n\r\n",
                                   state.size());
    EXPECT_NE(events.find("event: state\ndata: {\"situation\""), std::string::npos) << events;
    const std::string page = Get("/?show=record");
    EXPECT_NE(page.find("textContent"), std::string::npos);
    EXPECT_EQ(page.find("innerHTML"), std::string::npos);
}

// Each player's line as the page shows it: "*" before the user's, the
// spans' texts between bars.
constexpr char kPlayersOnPage[] =
    "[...document.querySelectorAll('#match .player')].map(p => (p.classList.contains('user') ? '*' : '') +"
    " [...p.children].map(c => c.textContent).join('|')).join(' / ')";

// The page in Chromium as a browser source loads it: the players once the
// map is on (the user first and marked, though the game lists them second),
// a hostile name as its characters and no element, then the record and the
// game in the list at the score screen; after a Stop and a Start, the
// server full at first, the page follows again by itself. "?show=record"
// shows the record alone.
TEST_F(OverlayTest, TheBrowserShowsTheMatchThenTheRecordAndTheGame)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching(kPort));
    ASSERT_TRUE(WaitUntil(IsListening));
    HeadlessBrowser browser;
    ASSERT_TRUE(browser.Start(FreshTempFolder(L"overlay-browser"))) << browser.Error();
    const std::string page = "http://" + kHost + "/";
    ASSERT_TRUE(browser.Navigate(page)) << browser.Error();
    EXPECT_EQ(browser.ValueOf("document.characterSet + ' ' + getComputedStyle(document.body).backgroundColor"),
              "UTF-8 rgba(0, 0, 0, 0)");
    const std::string hostile = "<img src=x onerror=alert(1)>";
    ASSERT_TRUE(game.SetLineup({{hostile, "user", "Terr", "Defeat"}, {"Kestrel", "user", "Zerg", "Victory"}}));
    ASSERT_TRUE(game.ShowLoading());
    const size_t before = xsplit.Clicks().size();
    ASSERT_TRUE(game.EnterGame());
    ASSERT_TRUE(xsplit.WaitForClicks(before + 1));
    std::string players;
    EXPECT_TRUE(WaitUntil([&] { return (players = browser.ValueOf(kPlayersOnPage)) ==
                                       "*Kestrel|Zerg / " + hostile + "|Terran"; }))
        << players << browser.Error();
    EXPECT_EQ(browser.ValueOf("document.querySelectorAll('img').length"), "0");
    ASSERT_TRUE(game.ShowScore());
    std::string record;
    EXPECT_TRUE(WaitUntil([&] { return (record = browser.ValueOf("document.getElementById('record').innerText")) ==
                                       "1 W 0 L"; }))
        << record;
    EXPECT_EQ(browser.ValueOf(kPlayersOnPage), "*Kestrel|Zerg|Victory / " + hostile + "|Terran|Defeat");
    std::string games;
    EXPECT_TRUE(WaitUntil([&] {
        return (games = browser.ValueOf("document.querySelector('#games .game')?.textContent ?? ''"))
                   .find("Victory" + hostile + "Terran") == 0;
    })) << games;
    EXPECT_EQ(browser.ValueOf("document.querySelectorAll('img').length"), "0");

    program.PressStartStop();
    ASSERT_TRUE(WaitUntil([] { return !IsListening(); }));
    program.PressStartStop();
    // The server full as it comes back: the page, trying again every
    // second, is most likely answered 503 until they are let go.
    SOCKET first = INVALID_SOCKET;
    ASSERT_TRUE(WaitUntil([&] { return (first = Connect()) != INVALID_SOCKET; }));
    std::vector<SOCKET> held = {first};
    while (held.size() < 16)
        held.push_back(Connect());
    Sleep(1500);
    for (SOCKET s : held)
        closesocket(s);
    ASSERT_TRUE(game.SetLineup({{"Kestrel", "user", "Prot", "Victory"}, {"Ærøskøbing", "user", "Zerg", "Defeat"}}));
    ASSERT_TRUE(game.ShowLoading());
    ASSERT_TRUE(game.EnterGame());
    EXPECT_TRUE(WaitUntil([&] { return (players = browser.ValueOf(kPlayersOnPage)) ==
                                       "*Kestrel|Protoss / Ærøskøbing|Zerg"; }))
        << "the page did not follow the server again after a Stop and a Start: " << players;

    ASSERT_TRUE(browser.Navigate(page + "?show=record")) << browser.Error();
    EXPECT_TRUE(WaitUntil([&] { return (record = browser.ValueOf("document.body.innerText.trim()")) == "1 W 0 L"; }))
        << record;
}

// The last games are kept with the record: through a crash and a restart,
// and cleared by its Reset.
TEST_F(OverlayTest, TheLastGamesSurviveARestartAndResetClearsThem)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching(kPort));
    ASSERT_NO_FATAL_FAILURE(Play({{"Kestrel", "user", "Zerg", "Victory"}, {"Foe", "user", "Prot", "Defeat"}}));
    const std::string foe = R"("games":[{"opponent":"Foe","race":"Protoss","result":"Victory")";
    ASSERT_TRUE(WaitUntil([&] { return Get("/state").find(foe) != std::string::npos; }));
    program.Process().Kill();
    KestrelcueProgram again;
    again.UseOutsidePatchServer();
    ASSERT_TRUE(again.Launch());
    again.PressStartStop();
    std::string state;
    EXPECT_TRUE(WaitUntil([&] { return (state = Get("/state")).find(foe) != std::string::npos; })) << state;
    HWND dialog = OpenRecord(again);
    ASSERT_NE(dialog, nullptr);
    PressRecordButton(dialog, kRecordReset);
    PressRecordButton(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(WaitUntil([&] { return (state = Get("/state")).find(R"("games":[])") != std::string::npos; }))
        << state;
    ASSERT_TRUE(again.Close());
}

// The bounds: a wrong Host, another method or path, a head over 8 KB, a
// client that never reads, and a 17th client while 16 are connected.
TEST_F(OverlayTest, BoundsAreKept)
{
    ASSERT_NO_FATAL_FAILURE(StartWatching(kPort));
    ASSERT_TRUE(WaitUntil(IsListening));
    EXPECT_EQ(StatusLineOf(Get("/state", "evil.example:" + std::to_string(kPort))), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(StatusLineOf(Get("/state", "127.0.0.1")), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(StatusLineOf(Get("/nothing")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(StatusLineOf(Ask("POST /state HTTP/1.1\r\nHost: " + kHost + "\r\n\r\n")),
              "HTTP/1.1 405 Method Not Allowed");
    EXPECT_EQ(StatusLineOf(Ask("GET /state HTTP/1.1\r\nHost: " + kHost + "\r\nX: " + std::string(9000, 'x') +
                               "\r\n\r\n")),
              "HTTP/1.1 431 Request Header Fields Too Large");
    // A client that follows the events and never reads holds neither the
    // others nor the switching.
    const SOCKET silent = Connect();
    const std::string follow = "GET /events HTTP/1.1\r\nHost: " + kHost + "\r\n\r\n";
    send(silent, follow.data(), int(follow.size()), 0);
    ASSERT_NO_FATAL_FAILURE(Play({{"Kestrel", "user", "Zerg", "Victory"}, {"Foe", "user", "Terr", "Defeat"}}));
    EXPECT_EQ(StatusLineOf(Get("/state")), "HTTP/1.1 200 OK");
    closesocket(silent);
    std::vector<SOCKET> held;
    for (int i = 0; i < 16; ++i)
        held.push_back(Connect());
    Sleep(300);
    EXPECT_EQ(StatusLineOf(Get("/state")), "HTTP/1.1 503 Service Unavailable");
    for (SOCKET s : held)
        closesocket(s);
    // Those who never finish their request are dropped, and the server
    // serves again.
    EXPECT_TRUE(WaitUntil([] { return StatusLineOf(Get("/state")) == "HTTP/1.1 200 OK"; }));
}

// A port taken already is said, switching goes on, the port is listened on
// once it is free, and Stop frees it.
TEST_F(OverlayTest, APortInUseIsSaidAndStopFreesThePort)
{
    const SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(taken, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(taken, 1), 0);
    ASSERT_NO_FATAL_FAILURE(StartWatching(kPort));
    std::vector<std::wstring> seen;
    EXPECT_TRUE(program.WaitForStatusSeen(L"Error: The overlay cannot listen on port 28028: it is in use.", &seen, 10000))
        << [&] { std::string all; for (auto& t : seen) all += std::string(t.begin(), t.end()) + " | "; return all; }();
    // Switching goes on, and its texts are not covered again while the port stays taken.
    ASSERT_NO_FATAL_FAILURE(Play({{"Kestrel", "user", "Zerg", "Victory"}, {"Foe", "user", "Terr", "Defeat"}}));
    EXPECT_FALSE(program.WaitForStatusSeen(L"Error: The overlay cannot listen on port 28028: it is in use.", &seen, 4500))
        << "said again";
    closesocket(taken);
    ASSERT_TRUE(WaitUntil(IsListening)) << "the port freed is not listened on";
    EXPECT_TRUE(program.WaitForStatus(L"The overlay now listens on port 28028."));
    program.PressStartStop();
    EXPECT_FALSE(IsListening());
    const SOCKET again = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_EQ(bind(again, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << "the port is still held";
    closesocket(again);
}

} // namespace

// The simulated game's client API, as the product's tests will rely on it:
// each screen's answers and flag byte, one connection kept for many requests,
// and each fault switched on, seen doing what it says, and switched off again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "drive/http_get.h"
#include "drive/raw_http.h"
#include "drive/simulators.h"

namespace {

constexpr char kMenusUi[] =
    "{\"activeScreens\": [\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\", "
    "\"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenHome/ScreenHome\"]}";
constexpr char kScoreUi[] =
    "{\"activeScreens\": [\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\", "
    "\"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenScore/ScreenScore\"]}";
constexpr char kLoadingUi[] = "{\"activeScreens\": [\"ScreenLoading/ScreenLoading\"]}";
constexpr char kPlayingUi[] = "{\"activeScreens\": []}";
constexpr char kNoGameYet[] = "{\"isReplay\": false, \"displayTime\": 0.000, \"players\": []}";

// For a second game beside the one on the usual port; nothing else here uses it.
constexpr unsigned short kSecondApiPort = 16119;
// Longer than the game takes for any answer it means to give: a stream
// silent for this long has stopped.
constexpr DWORD kQuietMs = 10000;
// Silence long enough to tell a stream that stopped from one still sending.
constexpr DWORD kSilenceMs = 1000;

// The body of a 200 answer from this game, or a line saying what came instead.
std::string Ask(const SimulatedGame& game, const wchar_t* path)
{
    const HttpAnswer answer = game.GetApi(path);
    if (answer.error != 0)
        return "error " + std::to_string(answer.error);
    if (!game.IsOwnAnswer(answer))
        return "an answer from another process: " + answer.Header(kSimProcessHeader);
    if (answer.status != 200)
        return "status " + std::to_string(answer.status);
    return answer.body;
}

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// The displayTime of a /game body; -1 when it has none.
double DisplayTime(const std::string& body)
{
    const std::string key = "\"displayTime\": ";
    const size_t at = body.find(key);
    return at == std::string::npos ? -1 : std::strtod(body.c_str() + at + key.size(), nullptr);
}

// Whether the text could begin a JSON document.
bool CouldBeJson(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && std::string("{[\"-0123456789tfn").find(text[first]) != std::string::npos;
}

double MillisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Connects to the game's port, waiting for the game to listen.
bool ConnectWhenListening(RawHttpConnection* connection, unsigned short port)
{
    return WaitUntil([&] { return connection->Connect(port) == 0; });
}

TEST(SimGameApiTest, EachScreenGivesItsUiGameAndFlag)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    BYTE flag = 0xEE;
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    EXPECT_EQ(Ask(game, L"/game"), kNoGameYet);
    ASSERT_TRUE(game.ReadFlag(&flag));
    EXPECT_EQ(flag, 0);

    // The loading screen still tells of the last game: before the first
    // one, of none.
    const struct {
        const char* name;
        bool (SimulatedGame::*press)();
        const char* ui;
        bool isReplay;
        bool listsPlayers;
        bool decided;  // player 1 "Victory", player 2 "Defeat"; else both "Undecided"
        BYTE flag;
    } steps[] = {
        {"loading the first game", &SimulatedGame::ShowLoading, kLoadingUi, false, false, false, 0},
        {"the game starts", &SimulatedGame::EnterGame, kPlayingUi, false, true, false, 1},
        {"the game ends", &SimulatedGame::ShowScore, kScoreUi, false, true, true, 0},
        {"back to the menus", &SimulatedGame::ShowMenus, kMenusUi, false, true, true, 0},
        {"loading the next game", &SimulatedGame::ShowLoading, kLoadingUi, false, true, true, 0},
        {"a replay starts", &SimulatedGame::StartReplay, kPlayingUi, true, true, false, 1},
        {"the replay ends", &SimulatedGame::ShowScore, kScoreUi, true, true, true, 0},
        {"a game straight from the score screen", &SimulatedGame::EnterGame, kPlayingUi, false, true, false, 1},
        {"the menus straight from a game", &SimulatedGame::ShowMenus, kMenusUi, false, true, true, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE((game.*step.press)());
        EXPECT_EQ(Ask(game, L"/ui"), step.ui);
        const std::string body = Ask(game, L"/game");
        if (!step.listsPlayers) {
            EXPECT_EQ(body, kNoGameYet);
        } else {
            EXPECT_EQ(CountOf(body, step.isReplay ? "\"isReplay\": true" : "\"isReplay\": false"), 1u) << body;
            EXPECT_EQ(CountOf(body, "\"name\": \"Kestrel\", \"type\": \"user\", \"race\": \"Zerg\""), 1u) << body;
            EXPECT_EQ(CountOf(body, "\"type\": \"computer\", \"race\": \"Terr\""), 1u) << body;
            if (step.decided) {
                EXPECT_EQ(CountOf(body, "\"result\": \"Victory\""), 1u) << body;
                EXPECT_EQ(CountOf(body, "\"result\": \"Defeat\""), 1u) << body;
            } else {
                EXPECT_EQ(CountOf(body, "\"result\": \"Undecided\""), 2u) << body;
            }
        }
        ASSERT_TRUE(game.ReadFlag(&flag));
        EXPECT_EQ(flag, step.flag);
    }
}

// What the situations' tests rely on: a game of others to observe, a loss,
// and line-ups set from outside, names with a clan tag and quotes among them.
TEST(SimGameApiTest, ObservedGamesLossesAndLineUpsFromOutside)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.ObserveGame());
    std::string body = Ask(game, L"/game");
    EXPECT_EQ(CountOf(body, "\"name\": \"Kestrel\""), 0u) << body;
    EXPECT_EQ(CountOf(body, "\"type\": \"user\""), 2u) << body;
    ASSERT_TRUE(game.ShowScore());
    ASSERT_TRUE(game.EnterGame());
    EXPECT_EQ(CountOf(Ask(game, L"/game"), "\"name\": \"Kestrel\""), 1u) << "the user's own line-up is kept";
    ASSERT_TRUE(game.ShowLostScore());
    body = Ask(game, L"/game");
    EXPECT_EQ(CountOf(body, "\"name\": \"Kestrel\", \"type\": \"user\", \"race\": \"Zerg\", \"result\": \"Defeat\""), 1u)
        << body;
    EXPECT_EQ(CountOf(body, "\"result\": \"Victory\""), 1u) << body;

    ASSERT_TRUE(game.SetLineup({{"&lt;DRG&gt;<sp/>Kestrel", "user", "Prot", "Tie"},
                                {"Quote\"d\\", "user", "random", "Tie"},
                                {"A.I. 1", "computer", "Zerg", "Tie"}}));
    ASSERT_TRUE(game.ShowLoading());
    EXPECT_EQ(CountOf(Ask(game, L"/game"), "\"name\": \"Kestrel\""), 1u) << "loading still tells of the last game";
    ASSERT_TRUE(game.EnterGame());
    body = Ask(game, L"/game");
    EXPECT_EQ(CountOf(body, "\"name\": \"&lt;DRG&gt;<sp/>Kestrel\", \"type\": \"user\", \"race\": \"Prot\", "
                            "\"result\": \"Undecided\""), 1u) << body;
    EXPECT_EQ(CountOf(body, "\"name\": \"Quote\\\"d\\\\\", \"type\": \"user\", \"race\": \"random\""), 1u) << body;
    ASSERT_TRUE(game.ShowScore());
    EXPECT_EQ(CountOf(Ask(game, L"/game"), "\"result\": \"Tie\""), 3u);
    EXPECT_FALSE(game.SetLineup({{"Kestrel", "player", "Zerg", "Victory"}})) << "a type the game never sends";
}

// /game alone can be slow or broken while /ui answers as ever.
TEST(SimGameApiTest, GameFaultsSpoilOnlyGame)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 1));
    EXPECT_EQ(Ask(game, L"/game"), "status 500");
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 2));
    EXPECT_FALSE(CouldBeJson(Ask(game, L"/game")));
    ASSERT_TRUE(game.SetApiFault(kSimApiGameBroken, 0));
    EXPECT_EQ(Ask(game, L"/game"), kNoGameYet);
    ASSERT_TRUE(game.SetApiFault(kSimApiGameSlow, 600));
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    const double uiMs = MillisecondsSince(start);
    QueryPerformanceCounter(&start);
    EXPECT_EQ(Ask(game, L"/game"), kNoGameYet);
    const double gameMs = MillisecondsSince(start);
    EXPECT_GE(gameMs, 600.0);
    EXPECT_LT(uiMs, gameMs);
    std::printf("with /game slow: /ui answered in %.1f ms, /game in %.1f ms\n", uiMs, gameMs);
}

// Another loopback address stands for another computer in the tests.
TEST(SimGameApiTest, ItListensOnTheAddressItIsGiven)
{
    SimApiOptions options;
    options.address = L"127.0.0.2";
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi(options));
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    EXPECT_EQ(HttpGet(game.ApiPort(), L"/ui", 2000, L"127.0.0.1").error, DWORD(ERROR_WINHTTP_CANNOT_CONNECT));
}

TEST(SimGameApiTest, TheClockRunsInAGameAndStopsWithIt)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.EnterGame());
    EXPECT_TRUE(WaitUntil([&] { return DisplayTime(Ask(game, L"/game")) > 0.2; }))
        << "displayTime stays at " << DisplayTime(Ask(game, L"/game"));
    ASSERT_TRUE(game.ShowScore());
    const double frozen = DisplayTime(Ask(game, L"/game"));
    EXPECT_GT(frozen, 0.2);
    Sleep(300);
    EXPECT_EQ(DisplayTime(Ask(game, L"/game")), frozen);
    ASSERT_TRUE(game.ShowMenus());
    EXPECT_EQ(DisplayTime(Ask(game, L"/game")), frozen) << "the menus still tell of the last game";
}

// Tests write the flag from outside; the API keeps telling the screen the
// buttons chose, so each source can be tested alone.
TEST(SimGameApiTest, AFlagWrittenFromOutsideLeavesTheApiAsItWas)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.SetFlag(1));
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    ASSERT_TRUE(game.EnterGame());
    ASSERT_TRUE(game.SetFlag(0));
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
    BYTE flag = 0xEE;
    ASSERT_TRUE(game.ReadFlag(&flag));
    EXPECT_EQ(flag, 0);
}

TEST(SimGameApiTest, OneConnectionCarriesManyRequests)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    HttpClient client(game.ApiPort());
    constexpr int kRequests = 200;
    // Under Wine, WinHTTP's connections are pooled for the whole process, so
    // this session's first request may go over a connection that an earlier
    // one left open: the numbers run on from wherever it starts.
    std::string connection;
    int firstRequest = 0;
    for (int i = 0; i < kRequests; ++i) {
        SCOPED_TRACE("request " + std::to_string(i + 1));
        if (i == kRequests / 2) {
            ASSERT_TRUE(game.EnterGame());
        }
        const HttpAnswer answer = client.Get(i % 2 == 0 ? L"/ui" : L"/game");
        ASSERT_EQ(answer.error, 0u);
        ASSERT_EQ(answer.status, 200);
        ASSERT_TRUE(game.IsOwnAnswer(answer));
        if (i == 0) {
            connection = answer.Header(kSimConnectionHeader);
            firstRequest = std::atoi(answer.Header(kSimRequestHeader).c_str());
            ASSERT_GE(firstRequest, 1);
        }
        EXPECT_EQ(answer.Header(kSimConnectionHeader), connection);
        EXPECT_EQ(answer.Header(kSimRequestHeader), std::to_string(firstRequest + i));
        EXPECT_EQ(answer.Header("Connection"), "keep-alive");
        if (i % 2 == 0) {
            EXPECT_EQ(answer.body, i < kRequests / 2 ? kMenusUi : kPlayingUi);
        }
    }
}

TEST(SimGameApiTest, RequestsBackToBackAreAnsweredInTurnAndCloseIsHonoured)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    RawHttpConnection connection;
    ASSERT_EQ(connection.Connect(game.ApiPort()), 0);
    ASSERT_TRUE(connection.Send(RawGetRequest("/ui") + RawGetRequest("/game") + RawGetRequest("/ui")));
    for (int i = 1; i <= 3; ++i) {
        RawAnswer answer;
        ASSERT_EQ(connection.ReadAnswer(&answer, kQuietMs), StreamEnd::StillOpen);
        ASSERT_TRUE(answer.complete) << answer.head;
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.Header(kSimRequestHeader), std::to_string(i));
        EXPECT_EQ(answer.body, i == 2 ? kNoGameYet : kMenusUi);
    }
    ASSERT_TRUE(connection.Send(RawGetRequest("/ui", "HTTP/1.1", "Connection: close\r\n")));
    RawAnswer last;
    ASSERT_EQ(connection.ReadAnswer(&last, kQuietMs), StreamEnd::StillOpen);
    EXPECT_TRUE(last.complete);
    EXPECT_EQ(last.Header(kSimRequestHeader), "4");
    EXPECT_EQ(last.Header("Connection"), "close");
    std::string after;
    EXPECT_EQ(connection.WaitForEnd(kQuietMs, &after), StreamEnd::Closed);
    EXPECT_EQ(after, "");
}

TEST(SimGameApiTest, Http10ClosesUnlessAskedToKeepAlive)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    {
        RawHttpConnection connection;
        ASSERT_EQ(connection.Connect(game.ApiPort()), 0);
        ASSERT_TRUE(connection.Send(RawGetRequest("/ui", "HTTP/1.0")));
        RawAnswer answer;
        connection.ReadAnswer(&answer, kQuietMs);
        EXPECT_TRUE(answer.complete);
        EXPECT_EQ(answer.body, kMenusUi);
        EXPECT_EQ(answer.Header("Connection"), "close");
        std::string after;
        EXPECT_EQ(connection.WaitForEnd(kQuietMs, &after), StreamEnd::Closed);
    }
    {
        RawHttpConnection connection;
        ASSERT_EQ(connection.Connect(game.ApiPort()), 0);
        for (int i = 1; i <= 2; ++i) {
            ASSERT_TRUE(connection.Send(RawGetRequest("/ui", "HTTP/1.0", "Connection: keep-alive\r\n")));
            RawAnswer answer;
            ASSERT_EQ(connection.ReadAnswer(&answer, kQuietMs), StreamEnd::StillOpen);
            EXPECT_TRUE(answer.complete);
            EXPECT_EQ(answer.Header("Connection"), "keep-alive");
            EXPECT_EQ(answer.Header(kSimRequestHeader), std::to_string(i));
        }
    }
}

TEST(SimGameApiTest, OtherPathsMethodsAndNonsenseAreRefused)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    for (const wchar_t* path : {L"/", L"/uix", L"/game/players", L"/UI"}) {
        const HttpAnswer answer = game.GetApi(path);
        EXPECT_EQ(answer.error, 0u) << path;
        EXPECT_EQ(answer.status, 404) << path;
    }
    RawHttpConnection connection;
    ASSERT_EQ(connection.Connect(game.ApiPort()), 0);
    ASSERT_TRUE(connection.Send("POST /ui HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\n\r\nhello" +
                                RawGetRequest("/ui")));
    RawAnswer refused, answered;
    ASSERT_EQ(connection.ReadAnswer(&refused, kQuietMs), StreamEnd::StillOpen);
    EXPECT_EQ(refused.status, 405);
    ASSERT_EQ(connection.ReadAnswer(&answered, kQuietMs), StreamEnd::StillOpen);
    EXPECT_EQ(answered.status, 200) << "the request after one with a body";
    EXPECT_EQ(answered.body, kMenusUi);

    RawHttpConnection nonsense;
    ASSERT_EQ(nonsense.Connect(game.ApiPort()), 0);
    ASSERT_TRUE(nonsense.Send("NONSENSE\r\n\r\n"));
    RawAnswer bad;
    nonsense.ReadAnswer(&bad, kQuietMs);
    EXPECT_EQ(bad.status, 400);
    std::string after;
    EXPECT_EQ(nonsense.WaitForEnd(kQuietMs, &after), StreamEnd::Closed);
}

TEST(SimGameApiTest, AClosedApiRefusesConnectionsUntilItOpensAgain)
{
    SimulatedGame game;
    SimApiOptions closed;
    closed.closed = true;
    ASSERT_TRUE(game.LaunchWithApi(closed));
    EXPECT_EQ(game.GetApi(L"/ui").error, DWORD(ERROR_WINHTTP_CANNOT_CONNECT));

    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 0));
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    HttpClient kept(game.ApiPort());
    ASSERT_EQ(kept.Get(L"/ui").status, 200);

    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 1));
    RawHttpConnection refused;
    EXPECT_EQ(refused.Connect(game.ApiPort()), WSAECONNREFUSED);
    EXPECT_NE(kept.Get(L"/ui").error, 0u) << "a connection kept open goes with the API";
    // A connection WinHTTP kept in its pool fails first (under Wine with
    // 10054, a Winsock code); then nothing is there to connect to.
    EXPECT_TRUE(WaitUntil([&] { return game.GetApi(L"/ui").error == DWORD(ERROR_WINHTTP_CANNOT_CONNECT); }));

    ASSERT_TRUE(game.SetApiFault(kSimApiClosed, 0));
    ASSERT_TRUE(game.EnterGame());
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
}

TEST(SimGameApiTest, AStatusFaultAnswersThatStatus)
{
    SimulatedGame game;
    SimApiOptions failing;
    failing.status = 500;
    ASSERT_TRUE(game.LaunchWithApi(failing));
    HttpAnswer answer;
    ASSERT_TRUE(WaitUntil([&] {
        answer = game.GetApi(L"/ui");
        return answer.error == 0 && game.IsOwnAnswer(answer);
    }));
    EXPECT_EQ(answer.status, 500);
    EXPECT_FALSE(answer.body.empty());
    EXPECT_LT(answer.body.size(), 100u);
    EXPECT_EQ(game.GetApi(L"/game").status, 500);

    ASSERT_TRUE(game.ClearApiFaults());
    EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
    ASSERT_TRUE(game.SetApiFault(kSimApiStatus, 503));
    EXPECT_EQ(game.GetApi(L"/ui").status, 503);

    // Refused switches change nothing.
    EXPECT_FALSE(game.SetApiFault(kSimApiStatus, 42));
    EXPECT_FALSE(game.SetApiFault(kSimApiSlow, -1));
    EXPECT_FALSE(game.SetApiFault(kSimApiGarbage, 2));
    EXPECT_FALSE(game.SetApiFault(SimApiFaultKind(99), 1));
    EXPECT_EQ(game.GetApi(L"/ui").status, 503);

    ASSERT_TRUE(game.SetApiFault(kSimApiStatus, 0));
    ASSERT_TRUE(game.StartReplay());
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
}

TEST(SimGameApiTest, GarbageIsAnOkAnswerThatIsNotJson)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.SetApiFault(kSimApiGarbage, 1));
    for (const wchar_t* path : {L"/ui", L"/game"}) {
        const HttpAnswer answer = game.GetApi(path);
        EXPECT_EQ(answer.status, 200) << path;
        EXPECT_FALSE(answer.body.empty()) << path;
        EXPECT_FALSE(CouldBeJson(answer.body)) << answer.body;
    }
    ASSERT_TRUE(game.SetApiFault(kSimApiGarbage, 0));
    ASSERT_TRUE(game.EnterGame());
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
}

TEST(SimGameApiTest, AnOversizedAnswerIsTenMegabytesOfScreens)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    HttpClient client(game.ApiPort());
    ASSERT_TRUE(game.SetApiFault(kSimApiOversized, 1));
    const HttpAnswer big = client.Get(L"/ui");
    EXPECT_EQ(big.error, 0u);
    EXPECT_EQ(big.status, 200);
    EXPECT_EQ(big.Header("Content-Length"), std::to_string(kSimApiOversizedBodyBytes));
    ASSERT_EQ(big.body.size(), kSimApiOversizedBodyBytes);
    EXPECT_EQ(big.body.compare(0, 19, "{\"activeScreens\": ["), 0) << big.body.substr(0, 40);
    EXPECT_EQ(big.body.compare(big.body.size() - 2, 2, "]}"), 0);

    ASSERT_TRUE(game.SetApiFault(kSimApiOversized, 0));
    ASSERT_TRUE(game.ShowLoading());
    const HttpAnswer small = client.Get(L"/ui");
    EXPECT_EQ(small.body, kLoadingUi);
    EXPECT_EQ(small.Header(kSimConnectionHeader), big.Header(kSimConnectionHeader))
        << "the connection that carried 10 MB carries on";
}

TEST(SimGameApiTest, AResetCutsTheAnswerInItsBody)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.SetApiFault(kSimApiReset, 1));
    RawHttpConnection connection;
    ASSERT_EQ(connection.Connect(game.ApiPort()), 0);
    ASSERT_TRUE(connection.Send(RawGetRequest("/ui")));
    RawAnswer answer;
    EXPECT_EQ(connection.ReadAnswer(&answer, kQuietMs), StreamEnd::Reset);
    EXPECT_EQ(answer.status, 200);
    EXPECT_FALSE(answer.complete);
    EXPECT_GT(answer.body.size(), 0u) << "part of the body comes before the reset";
    EXPECT_LT(answer.body.size(), answer.contentLength);
    EXPECT_NE(game.GetApi(L"/ui").error, 0u);

    ASSERT_TRUE(game.SetApiFault(kSimApiReset, 0));
    ASSERT_TRUE(game.EnterGame());
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
}

TEST(SimGameApiTest, HalfAnAnswerThenSilenceUntilTheGameDies)
{
    SimulatedGame game;
    ASSERT_TRUE(game.LaunchWithApi());
    ASSERT_TRUE(game.SetApiFault(kSimApiHalfThenHang, 1));
    RawHttpConnection hung;
    ASSERT_EQ(hung.Connect(game.ApiPort()), 0);
    ASSERT_TRUE(hung.Send(RawGetRequest("/ui")));
    RawAnswer half;
    EXPECT_EQ(hung.ReadAnswer(&half, kSilenceMs), StreamEnd::StillOpen);
    EXPECT_EQ(half.status, 200);
    EXPECT_FALSE(half.complete);
    EXPECT_EQ(half.body.size(), half.contentLength / 2);

    // Switched off, the next answer is whole; the hung one stays hung.
    ASSERT_TRUE(game.SetApiFault(kSimApiHalfThenHang, 0));
    ASSERT_TRUE(game.EnterGame());
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
    std::string more;
    EXPECT_EQ(hung.WaitForEnd(kSilenceMs, &more), StreamEnd::StillOpen);
    EXPECT_EQ(more, "");

    game.Kill();
    const StreamEnd end = hung.WaitForEnd(kQuietMs, &more);
    EXPECT_TRUE(end == StreamEnd::Closed || end == StreamEnd::Reset) << "the stream outlived the game";
}

TEST(SimGameApiTest, ASlowAnswerComesNoSoonerThanAsked)
{
    SimulatedGame game;
    SimApiOptions slow;
    slow.slowMs = 700;
    ASSERT_TRUE(game.LaunchWithApi(slow));
    ASSERT_TRUE(game.WaitForApi());
    for (int i = 0; i < 3; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        EXPECT_EQ(Ask(game, L"/ui"), kMenusUi);
        EXPECT_GE(MillisecondsSince(start), 700.0);
    }
    ASSERT_TRUE(game.SetApiFault(kSimApiSlow, 300));
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    EXPECT_EQ(Ask(game, L"/game"), kNoGameYet);
    EXPECT_GE(MillisecondsSince(start), 300.0);

    ASSERT_TRUE(game.SetApiFault(kSimApiSlow, 0));
    ASSERT_TRUE(game.EnterGame());
    EXPECT_EQ(Ask(game, L"/ui"), kPlayingUi);
}

// The options put the same faults in force from the start as the window
// message does later.
TEST(SimGameApiTest, EachFaultOptionIsInForceFromTheStart)
{
    const struct {
        const char* name;
        void (*set)(SimApiOptions*);
        StreamEnd end;
        bool complete;
    } cases[] = {
        {"--api-garbage", [](SimApiOptions* o) { o->garbage = true; }, StreamEnd::StillOpen, true},
        {"--api-oversized", [](SimApiOptions* o) { o->oversized = true; }, StreamEnd::StillOpen, true},
        {"--api-reset", [](SimApiOptions* o) { o->reset = true; }, StreamEnd::Reset, false},
        {"--api-half-then-hang", [](SimApiOptions* o) { o->halfThenHang = true; }, StreamEnd::StillOpen, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimApiOptions options;
        c.set(&options);
        SimulatedGame game;
        ASSERT_TRUE(game.LaunchWithApi(options));
        RawHttpConnection connection;
        ASSERT_TRUE(ConnectWhenListening(&connection, game.ApiPort()));
        ASSERT_TRUE(connection.Send(RawGetRequest("/ui")));
        RawAnswer answer;
        EXPECT_EQ(connection.ReadAnswer(&answer, c.complete ? kQuietMs : kSilenceMs), c.end);
        EXPECT_EQ(answer.Header(kSimProcessHeader), std::to_string(game.Process().Id()));
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.complete, c.complete);
        if (options.garbage) {
            EXPECT_FALSE(CouldBeJson(answer.body)) << answer.body;
        }
        if (options.oversized) {
            EXPECT_EQ(answer.body.size(), kSimApiOversizedBodyBytes);
        }
        if (options.reset || options.halfThenHang) {
            EXPECT_LT(answer.body.size(), answer.contentLength);
        }
    }
}

// A second game on another port answers for itself, and a game that finds
// its port taken neither takes it over nor gives up on it.
TEST(SimGameApiTest, GamesOnTheirOwnPortsAnswerForThemselves)
{
    SimulatedGame first;
    ASSERT_TRUE(first.LaunchWithApi());
    SimulatedGame second;
    SimApiOptions elsewhere;
    elsewhere.port = kSecondApiPort;
    ASSERT_TRUE(second.LaunchWithApi(elsewhere));
    ASSERT_TRUE(second.EnterGame());
    EXPECT_EQ(Ask(first, L"/ui"), kMenusUi);
    EXPECT_EQ(Ask(second, L"/ui"), kPlayingUi);

    SimulatedGame late;
    SimApiOptions closed;
    closed.closed = true;
    ASSERT_TRUE(late.LaunchWithApi(closed));
    ASSERT_TRUE(late.SetApiFault(kSimApiClosed, 0));
    ASSERT_TRUE(late.StartReplay());
    EXPECT_EQ(Ask(first, L"/ui"), kMenusUi) << "the port stays with the game that had it";
    first.Kill();
    EXPECT_TRUE(late.WaitForApi()) << "the game that waited takes the port once it is free";
    EXPECT_EQ(Ask(late, L"/ui"), kPlayingUi);
}

} // namespace

// Answers of the game's client API to GET /ui and GET /game, as bytes: each
// case is a whole body and what the probe must make of it. The bytes come
// from a socket; only one JSON object of the expected shape is an answer.
#include "watch/client_api_answer.h"
#ifdef _WINDOWS_
#error "the answer reader must build without <windows.h>"
#endif
#include "overlay/match_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* NameOf(ClientApiScreens screens)
{
    switch (screens) {
    case ClientApiScreens::Unreadable: return "Unreadable";
    case ClientApiScreens::MapOn:      return "MapOn (a game or a replay)";
    case ClientApiScreens::Loading:    return "Loading";
    case ClientApiScreens::Score:      return "Score";
    case ClientApiScreens::Menus:      return "Menus";
    }
    return "?";
}

// From a heap block of exactly the body, without a terminator, so that a
// read past its end is seen by the address sanitizer.
ClientApiScreens Read(const std::string& body)
{
    std::unique_ptr<char[]> exact(new char[body.size() + 1]);
    std::memcpy(exact.get(), body.data(), body.size());
    return ReadClientApiScreens(exact.get(), body.size());
}

struct AnswerCase {
    const char* name;
    std::string body;
    ClientApiScreens expected;
};

const AnswerCase kAnswerCases[] = {
    // What the game answers.
    {"in a game or a replay", "{\"activeScreens\": []}", ClientApiScreens::MapOn},
    {"loading", "{\"activeScreens\": [\"ScreenLoading/ScreenLoading\"]}", ClientApiScreens::Loading},
    {"the menus",
     "{\"activeScreens\": [\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\","
     " \"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenHome/ScreenHome\"]}",
     ClientApiScreens::Menus},
    {"the score screen", "{\"activeScreens\":[\"ScreenScore/ScreenScore\"]}", ClientApiScreens::Score},
    {"the score screen beside the menus' screens",
     "{\"activeScreens\": [\"ScreenBackgroundSC2/ScreenBackgroundSC2\", \"ScreenNavigationSC2/ScreenNavigationSC2\","
     " \"ScreenForegroundSC2/ScreenForegroundSC2\", \"ScreenScore/ScreenScore\"]}",
     ClientApiScreens::Score},
    {"the replay browser is a menu", "{\"activeScreens\": [\"ScreenReplay/ScreenReplay\"]}", ClientApiScreens::Menus},
    {"loading while the score is still listed",
     "{\"activeScreens\": [\"ScreenScore/ScreenScore\", \"ScreenLoading/ScreenLoading\"]}", ClientApiScreens::Loading},
    {"a screen's name in another letter case is another screen",
     "{\"activeScreens\": [\"screenscore/screenscore\"]}", ClientApiScreens::Menus},
    {"half a screen's name is another screen", "{\"activeScreens\": [\"ScreenScore\"]}", ClientApiScreens::Menus},
    {"blanks around and inside", " \r\n{ \"activeScreens\" :\t[ ] }\r\n", ClientApiScreens::MapOn},
    {"other members beside it", "{\"version\": 3, \"activeScreens\": [], \"extra\": {\"a\": [1, 2]}}",
     ClientApiScreens::MapOn},
    {"screens of any kind count", "{\"activeScreens\": [null]}", ClientApiScreens::Menus},
    {"the first of two members of that name counts",
     "{\"activeScreens\": [\"ScreenHome/ScreenHome\"], \"activeScreens\": []}", ClientApiScreens::Menus},
    {"non-ASCII in a screen's name", "{\"activeScreens\": [\"Men\\u00fc/\xC3\xA9" "cran\"]}", ClientApiScreens::Menus},

    // What is not such an answer.
    {"an empty body", "", ClientApiScreens::Unreadable},
    {"blanks only", " \r\n", ClientApiScreens::Unreadable},
    {"an HTML error page", "<html><body>Service Unavailable</body></html>", ClientApiScreens::Unreadable},
    {"the answer to /game", "{\"isReplay\": false, \"displayTime\": 100.0, \"players\": []}",
     ClientApiScreens::Unreadable},
    {"the member's name in another letter case", "{\"ActiveScreens\": []}", ClientApiScreens::Unreadable},
    {"the member is not an array", "{\"activeScreens\": \"ScreenHome/ScreenHome\"}", ClientApiScreens::Unreadable},
    {"the member is an object", "{\"activeScreens\": {}}", ClientApiScreens::Unreadable},
    {"the member is null", "{\"activeScreens\": null}", ClientApiScreens::Unreadable},
    {"an array at the top", "[]", ClientApiScreens::Unreadable},
    {"the array nested deeper", "{\"ui\": {\"activeScreens\": []}}", ClientApiScreens::Unreadable},
    {"cut short", "{\"activeScreens\": [", ClientApiScreens::Unreadable},
    {"cut inside a string", "{\"activeScreens\": [\"ScreenHo", ClientApiScreens::Unreadable},
    {"text after the object", "{\"activeScreens\": []} and more", ClientApiScreens::Unreadable},
    {"a second object after the first", "{\"activeScreens\": []}{\"activeScreens\": [\"x\"]}",
     ClientApiScreens::Unreadable},
    {"a zero byte after the object", std::string("{\"activeScreens\": []}\0", 22), ClientApiScreens::Unreadable},
    {"a trailing comma", "{\"activeScreens\": [],}", ClientApiScreens::Unreadable},
    {"single quotes", "{'activeScreens': []}", ClientApiScreens::Unreadable},
    // Only JSON's four blanks may stand around the value and its tokens;
    // cJSON would skip any byte below 0x20.
    {"control bytes before the object", "\x01\x02\x03{\"activeScreens\": []}", ClientApiScreens::Unreadable},
    {"a zero byte before the object", std::string("\0{\"activeScreens\": []}", 22), ClientApiScreens::Unreadable},
    {"a form feed between tokens", "{\"activeScreens\":\f[]}", ClientApiScreens::Unreadable},
    {"a raw control byte inside a string", "{\"activeScreens\": [\"Screen\x07Home\"]}", ClientApiScreens::Unreadable},
    {"a raw tab inside a string", "{\"activeScreens\": [\"Screen\tHome\"]}", ClientApiScreens::Unreadable},
    {"an escaped control character is fine", "{\"activeScreens\": [\"Screen\\u0007Home\"]}", ClientApiScreens::Menus},
    {"an escaped quote does not end the string", "{\"activeScreens\": [\"a\\\"\x01\"]}", ClientApiScreens::Unreadable},
    {"a byte-order mark before the object", "\xEF\xBB\xBF{\"activeScreens\": []}", ClientApiScreens::Unreadable},
};

TEST(ClientApiAnswer, EachBodyReadsAsItsScreens)
{
    for (const AnswerCase& c : kAnswerCases) {
        const ClientApiScreens actual = Read(c.body);
        EXPECT_EQ(actual, c.expected) << "case \"" << c.name << "\": expected " << NameOf(c.expected) << ", actual "
                                      << NameOf(actual);
    }
}

TEST(ClientApiAnswer, ABodyLongerThanTheBoundIsNoAnswer)
{
    const std::string head = "{\"activeScreens\": [], \"padding\": \"";
    const std::string tail = "\"}";
    std::string fits = head + std::string(kClientApiAnswerLimitBytes - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(fits.size(), kClientApiAnswerLimitBytes);
    EXPECT_EQ(Read(fits), ClientApiScreens::MapOn);
    fits.insert(head.size(), "x");
    EXPECT_EQ(Read(fits), ClientApiScreens::Unreadable);
}

// Deep nesting must end in a refusal, not in a stack that runs out.
TEST(ClientApiAnswer, DeepNestingIsNoAnswer)
{
    const size_t depth = kClientApiAnswerLimitBytes / 2 - 16;
    const std::string body = "{\"activeScreens\": [" + std::string(depth, '[') + std::string(depth, ']') + "]}";
    ASSERT_LE(body.size(), kClientApiAnswerLimitBytes);
    EXPECT_EQ(Read(body), ClientApiScreens::Unreadable);
}

} // namespace

namespace {

// What a /game body must read as: false for no answer, else the replay
// flag and each player as "name/type/race/result" with the words' names.
struct GameCase {
    const char* name;
    std::string body;
    bool readable;
    bool isReplay;
    std::vector<std::string> players;
};

const char* TypeName(PlayerType type)
{
    switch (type) {
    case PlayerType::User: return "user";
    case PlayerType::Computer: return "computer";
    case PlayerType::Other: break;
    }
    return "other";
}

const char* RaceName(PlayerRace race)
{
    switch (race) {
    case PlayerRace::Terran: return "Terran";
    case PlayerRace::Zerg: return "Zerg";
    case PlayerRace::Protoss: return "Protoss";
    case PlayerRace::Random: return "Random";
    case PlayerRace::Other: break;
    }
    return "other";
}

const char* ResultName(PlayerResult result)
{
    switch (result) {
    case PlayerResult::Undecided: return "Undecided";
    case PlayerResult::Victory: return "Victory";
    case PlayerResult::Defeat: return "Defeat";
    case PlayerResult::Tie: return "Tie";
    case PlayerResult::Other: break;
    }
    return "other";
}

std::string Describe(const ClientApiGame& game)
{
    std::string text = game.isReplay ? "replay:" : "game:";
    for (size_t i = 0; i < game.playerCount; ++i) {
        const ClientApiPlayer& p = game.players[i];
        text += std::string(" ") + p.name + "/" + TypeName(p.type) + "/" + RaceName(p.race) + "/" + ResultName(p.result);
    }
    return text;
}

std::string Expected(const GameCase& c)
{
    if (!c.readable)
        return "unreadable";
    std::string text = c.isReplay ? "replay:" : "game:";
    for (const std::string& player : c.players)
        text += " " + player;
    return text;
}

std::string ReadGame(const std::string& body)
{
    std::unique_ptr<char[]> exact(new char[body.size() + 1]);
    std::memcpy(exact.get(), body.data(), body.size());
    ClientApiGame game;
    if (!ReadClientApiGame(exact.get(), body.size(), &game))
        return "unreadable";
    return Describe(game);
}

const std::string kTwoPlayers =
    "{\"isReplay\": false, \"displayTime\": 123.5, \"players\": ["
    "{\"id\": 1, \"name\": \"Kestrel\", \"type\": \"user\", \"race\": \"Zerg\", \"result\": \"Victory\"},"
    " {\"id\": 2, \"name\": \"A.I. 1 (Very Easy)\", \"type\": \"computer\", \"race\": \"Terr\", \"result\": \"Defeat\"}]}";

const GameCase kGameCases[] = {
    // What the game answers.
    {"a game against the computer", kTwoPlayers, true, false,
     {"Kestrel/user/Zerg/Victory", "A.I. 1 (Very Easy)/computer/Terran/Defeat"}},
    {"a replay", "{\"isReplay\": true, \"displayTime\": 1.0, \"players\": [{\"name\": \"Maru\", \"type\": \"user\","
                 " \"race\": \"Terr\", \"result\": \"Tie\"}]}",
     true, true, {"Maru/user/Terran/Tie"}},
    {"before the first game", "{\"isReplay\": false, \"displayTime\": 0.0, \"players\": []}", true, false, {}},
    {"a clan tag as the game writes it",
     "{\"isReplay\": false, \"players\": [{\"name\": \"&lt;DRG&gt;<sp/>Kestrel\", \"type\": \"user\","
     " \"race\": \"Prot\", \"result\": \"Undecided\"}]}",
     true, false, {"&lt;DRG&gt;<sp/>Kestrel/user/Protoss/Undecided"}},
    {"a random race and a UTF-8 name",
     "{\"isReplay\": false, \"players\": [{\"name\": \"\xEC\x84\xB8\xEB\x9D\xBC\", \"type\": \"user\","
     " \"race\": \"random\", \"result\": \"Defeat\"}]}",
     true, false, {"\xEC\x84\xB8\xEB\x9D\xBC/user/Random/Defeat"}},
    {"words of other letter case are other words",
     "{\"isReplay\": false, \"players\": [{\"name\": \"x\", \"type\": \"User\", \"race\": \"zerg\","
     " \"result\": \"victory\"}]}",
     true, false, {"x/other/other/other"}},
    {"members missing or of another kind",
     "{\"isReplay\": false, \"players\": [{\"id\": 1}, {\"name\": 7, \"type\": null, \"race\": [], \"result\": {}}]}",
     true, false, {"/other/other/other", "/other/other/other"}},
    {"a name too long to keep is kept not at all",
     "{\"isReplay\": false, \"players\": [{\"name\": \"" + std::string(kClientApiNameBytes, 'n') +
         "\", \"type\": \"user\", \"race\": \"Zerg\", \"result\": \"Victory\"}]}",
     true, false, {"/user/Zerg/Victory"}},
    {"the longest name kept",
     "{\"isReplay\": false, \"players\": [{\"name\": \"" + std::string(kClientApiNameBytes - 1, 'n') +
         "\", \"type\": \"user\", \"race\": \"Zerg\", \"result\": \"Victory\"}]}",
     true, false, {std::string(kClientApiNameBytes - 1, 'n') + "/user/Zerg/Victory"}},

    // What is not such an answer.
    {"the answer to /ui", "{\"activeScreens\": []}", false, false, {}},
    {"no players", "{\"isReplay\": false, \"displayTime\": 1.0}", false, false, {}},
    {"no replay flag", "{\"displayTime\": 1.0, \"players\": []}", false, false, {}},
    {"the replay flag as text", "{\"isReplay\": \"false\", \"players\": []}", false, false, {}},
    {"players not an array", "{\"isReplay\": false, \"players\": {}}", false, false, {}},
    {"a player that is not an object", "{\"isReplay\": false, \"players\": [\"Kestrel\"]}", false, false, {}},
    {"cut short", kTwoPlayers.substr(0, kTwoPlayers.size() - 3), false, false, {}},
    {"text after it", kTwoPlayers + "x", false, false, {}},
    {"control bytes before it", "\x01\x02\x03" + kTwoPlayers, false, false, {}},
    {"an HTML page", "<html>Please wait</html>", false, false, {}},
};

TEST(ClientApiGameAnswer, EachBodyReadsAsItsGame)
{
    for (const GameCase& c : kGameCases) {
        EXPECT_EQ(ReadGame(c.body), Expected(c)) << "case \"" << c.name << "\"";
    }
}

TEST(ClientApiGameAnswer, SixteenPlayersAreReadAndSeventeenAreNoAnswer)
{
    auto bodyOf = [](size_t players) {
        std::string body = "{\"isReplay\": false, \"players\": [";
        for (size_t i = 0; i < players; ++i)
            body += std::string(i > 0 ? ", " : "") + "{\"name\": \"P" + std::to_string(i + 1) +
                    "\", \"type\": \"user\", \"race\": \"Terr\", \"result\": \"Tie\"}";
        return body + "]}";
    };
    const std::string sixteen = ReadGame(bodyOf(kClientApiMostPlayers));
    EXPECT_NE(sixteen.find(" P16/user/Terran/Tie"), std::string::npos) << sixteen;
    EXPECT_EQ(ReadGame(bodyOf(kClientApiMostPlayers + 1)), "unreadable");
}

} // namespace

// Names as the overlay shows them: the game's markup read as a person
// reads it, anything else kept as text, and the JSON escaping it all.
TEST(OverlayNames, ReadAsAPersonReadsThem)
{
    struct Case {
        const char* game;
        const char* shown;
    };
    const Case cases[] = {
        {"&lt;TAG&gt;<sp/>Name", "<TAG> Name"},
        {"Plain", "Plain"},
        {"<img src=x onerror=alert(1)>", "<img src=x onerror=alert(1)>"},
        {"&amp;lt;", "&lt;"},
        {"", ""},
        // No UTF-8: one U+FFFD for each run that breaks off, as a browser shows it.
        {"A\xE2\x82<sp/>\xFF", "A\xEF\xBF\xBD \xEF\xBF\xBD"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        char shown[kMatchNameBytes];
        ReadablePlayerName(c.game, shown);
        EXPECT_STREQ(c.shown, shown) << "from " << c.game;
    }
    // Cut to fit, never inside a UTF-8 sequence: 126 'a' then a 3-byte one.
    std::string longName(kMatchNameBytes - 2, 'a');
    longName += "\xE2\x82\xAC";
    char shown[kMatchNameBytes];
    ReadablePlayerName(longName.c_str(), shown);
    EXPECT_EQ(std::string(kMatchNameBytes - 2, 'a'), shown);
}

TEST(OverlayNames, EscapedInTheStateJson)
{
    MatchView view = {};
    view.situation = "playing";
    view.playerCount = 1;
    ReadablePlayerName("\"</script><b>\\", view.players[0].name);
    view.players[0].isUser = true;
    view.players[0].race = PlayerRace::Zerg;
    std::strcpy(view.recordText, "3 - 1");
    view.counts.wins = 3;
    view.counts.losses = 1;
    EXPECT_EQ(R"({"situation":"playing","record":{"wins":3,"losses":1,"ties":0,"text":"3 - 1"},)"
              R"("match":{"players":[{"name":"\"</script><b>\\","race":"Zerg","type":"","isUser":true,"result":""}]},)"
              R"("games":[]})",
              MatchStateJson(view));
}

// Who the user is among the players the game lists, and the situation that
// makes: the rules behind the observing, replay, win and loss scenes. Each
// case is a game as /game gives it, the names the user typed, and what the
// map or the score screen must read as.
#include "watch/situation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Player {
    const char* name;
    PlayerType type;
    PlayerResult result;
};

ClientApiGame GameOf(bool isReplay, const std::vector<Player>& players)
{
    ClientApiGame game = {};
    game.isReplay = isReplay;
    for (const Player& player : players) {
        ClientApiPlayer& p = game.players[game.playerCount++];
        std::snprintf(p.name, kClientApiNameBytes, "%s", player.name);
        p.type = player.type;
        p.race = PlayerRace::Zerg;
        p.result = player.result;
    }
    return game;
}

const char* NameOf(Situation situation)
{
    switch (situation) {
    case Situation::None: return "None";
    case Situation::Playing: return "Playing";
    case Situation::Observing: return "Observing";
    case Situation::Replay: return "Replay";
    case Situation::Loading: return "Loading";
    case Situation::AfterWin: return "AfterWin";
    case Situation::AfterLoss: return "AfterLoss";
    case Situation::AfterGame: return "AfterGame";
    case Situation::Menus: return "Menus";
    }
    return "?";
}

constexpr auto User = PlayerType::User;
constexpr auto Computer = PlayerType::Computer;
constexpr auto Won = PlayerResult::Victory;
constexpr auto Lost = PlayerResult::Defeat;
constexpr auto Tie = PlayerResult::Tie;
constexpr auto Open = PlayerResult::Undecided;

struct NameCase {
    const char* gameName;
    const wchar_t* typed;
    bool matches;
};

const NameCase kNameCases[] = {
    {"Kestrel", L"Kestrel", true},
    {"Kestrel", L"kESTREL", true},
    {"Kestrel", L"  Kestrel  ", true},
    {"Kestrel", L"Other;Kestrel", true},
    {"Kestrel", L"Other; kestrel ;Third", true},
    {"Kestrel", L"Kestrel2", false},
    {"Kestrel", L"Kestre", false},
    {"Kestrel", L"", false},
    {"Kestrel", L";;", false},
    {"", L"Kestrel", false},
    // Clan tags, as the game writes them and as players copy them.
    {"&lt;DRG&gt;<sp/>Kestrel", L"Kestrel", true},
    {"&lt;DRG&gt;<sp/>Kestrel", L"kestrel", true},
    {"&lt;DRG&gt;<sp/>Kestrel", L"<DRG> Kestrel", true},
    {"&lt;DRG&gt;<sp/>Kestrel", L"[DRG] Kestrel", true},
    {"&lt;DRG&gt;<sp/>Kestrel", L"&lt;DRG&gt;<sp/>Kestrel", true},
    {"<DRG><sp/>Kestrel", L"Kestrel", true},
    {"<DRG> Kestrel", L"Kestrel", true},
    {"[DRG]Kestrel", L"Kestrel", true},
    {"&lt;DRG&gt;<sp/>Kestrel", L"DRG", false},
    {"&lt;Kestrel&gt;<sp/>Maru", L"Kestrel", false},
    // Letter case beyond ASCII, and names that have none.
    {"\xC3\x89lodie", L"\u00E9LODIE", true},
    {"\xD0\x9C\xD0\xB0\xD1\x80\xD1\x83", L"\u043C\u0410\u0420\u0423", true},
    {"\xEC\x84\xB8\xEB\x9D\xBC", L"\uC138\uB77C", true},
    {"\xEC\x84\xB8\xEB\x9D\xBC", L"\uC138", false},
    // Bytes that are not UTF-8 are no one's name.
    {"Kestr\xFF" "el", L"Kestr\u00FFel", false},
};

TEST(PlayerNames, EachGameNameMatchesTheTypedNamesOrNot)
{
    for (const NameCase& c : kNameCases) {
        EXPECT_EQ(IsOneOfPlayerNames(c.gameName, c.typed), c.matches)
            << "game name \"" << c.gameName << "\", typed " << testing::PrintToString(std::wstring(c.typed));
    }
}

TEST(PlayerNames, BlanksAndSeparatorsAloneAreNoNames)
{
    EXPECT_FALSE(ArePlayerNamesSet(L""));
    EXPECT_FALSE(ArePlayerNamesSet(L" ; ;\t"));
    EXPECT_FALSE(ArePlayerNamesSet(L"<DRG>"));
    EXPECT_TRUE(ArePlayerNamesSet(L";Kestrel;"));
}

struct SituationCase {
    const char* name;
    bool isReplay;
    std::vector<Player> players;
    const wchar_t* typed;
    Situation onMap;
    Situation onScore;
};

const SituationCase kSituationCases[] = {
    {"the user's game against a human, won", false, {{"Kestrel", User, Won}, {"Maru", User, Lost}}, L"Kestrel",
     Situation::Playing, Situation::AfterWin},
    {"the user's game against a human, lost", false, {{"Maru", User, Won}, {"Kestrel", User, Lost}}, L"kestrel",
     Situation::Playing, Situation::AfterLoss},
    {"a tie", false, {{"Kestrel", User, Tie}, {"Maru", User, Tie}}, L"Kestrel", Situation::Playing,
     Situation::AfterGame},
    {"a result not decided", false, {{"Kestrel", User, Open}}, L"Kestrel", Situation::Playing, Situation::AfterGame},
    {"a game the user watches", false, {{"Maru", User, Won}, {"Serral", User, Lost}}, L"Kestrel",
     Situation::Observing, Situation::AfterGame},
    {"one of several accounts plays", false, {{"KestrelEU", User, Lost}, {"Maru", User, Won}},
     L"KestrelNA;KestrelEU", Situation::Playing, Situation::AfterLoss},
    {"a replay of the user's own game", true, {{"Kestrel", User, Won}, {"Maru", User, Lost}}, L"Kestrel",
     Situation::Replay, Situation::AfterGame},
    {"a replay without names", true, {{"Maru", User, Won}}, L"", Situation::Replay, Situation::AfterGame},
    // Without names every game on the map is the user's own; the result is
    // the only human's in a game against computers, and unknown otherwise.
    {"no names, against the computer, won", false, {{"Kestrel", User, Won}, {"A.I. 1", Computer, Lost}}, L"",
     Situation::Playing, Situation::AfterWin},
    {"no names, against two computers, lost", false,
     {{"A.I. 1", Computer, Won}, {"Kestrel", User, Lost}, {"A.I. 2", Computer, Won}}, L"", Situation::Playing,
     Situation::AfterLoss},
    {"no names, two humans", false, {{"Kestrel", User, Won}, {"Maru", User, Lost}}, L"", Situation::Playing,
     Situation::AfterGame},
    {"no names, no players", false, {}, L"", Situation::Playing, Situation::AfterGame},
    // With names, a computer's name is no one's, and the user is found by name.
    {"names, against the computer", false, {{"Kestrel", User, Lost}, {"A.I. 1", Computer, Won}}, L"Kestrel",
     Situation::Playing, Situation::AfterLoss},
    {"names that none of the players has, against the computer", false,
     {{"Someone", User, Won}, {"A.I. 1", Computer, Lost}}, L"Kestrel", Situation::Observing, Situation::AfterGame},
    // Two players with one of the names: the user's game, whose result cannot be told.
    {"an opponent of another clan with the user's name", false,
     {{"&lt;ABC&gt;<sp/>Kestrel", User, Won}, {"&lt;XYZ&gt;<sp/>kestrel", User, Lost}}, L"Kestrel",
     Situation::Playing, Situation::AfterGame},
};

TEST(GameSituation, EachGameReadsAsItsSituationOnTheMapAndOnTheScoreScreen)
{
    for (const SituationCase& c : kSituationCases) {
        const ClientApiGame game = GameOf(c.isReplay, c.players);
        EXPECT_STREQ(NameOf(SituationOnMap(game, c.typed)), NameOf(c.onMap)) << "case \"" << c.name << "\" on the map";
        EXPECT_STREQ(NameOf(SituationOnScore(game, c.typed)), NameOf(c.onScore))
            << "case \"" << c.name << "\" on the score screen";
    }
}

TEST(GameSituation, TheScreensAloneTellAGameTheLoadingScreenAndAnUnknownResult)
{
    EXPECT_STREQ(NameOf(SituationOfScreens(ClientApiScreens::MapOn)), "Playing");
    EXPECT_STREQ(NameOf(SituationOfScreens(ClientApiScreens::Loading)), "Loading");
    EXPECT_STREQ(NameOf(SituationOfScreens(ClientApiScreens::Score)), "AfterGame");
    EXPECT_STREQ(NameOf(SituationOfScreens(ClientApiScreens::Menus)), "Menus");
    EXPECT_STREQ(NameOf(SituationOfScreens(ClientApiScreens::Unreadable)), "None");
}

} // namespace

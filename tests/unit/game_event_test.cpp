// The game events' sentence and JSON, case by case: a start, each result,
// allies, what is not known left out, the record not kept, and a name that
// is markup and quotes kept as text and escaped as JSON escapes it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "events/game_event.h"

namespace {

struct Player {
    const char* name;  // as the game writes it
    PlayerRace race;
    PlayerResult result;
};

GameEvent EventOf(GameEventKind kind, const std::vector<Player>& players, int user, double seconds, bool recordKept)
{
    ClientApiGame game = {};
    game.displayTime = seconds;
    for (const Player& player : players) {
        ClientApiPlayer& taken = game.players[game.playerCount++];
        std::strncpy(taken.name, player.name, kClientApiNameBytes - 1);
        taken.type = PlayerType::User;
        taken.race = player.race;
        taken.result = player.result;
    }
    GameEvent event = {};
    event.kind = kind;
    TakeEventPlayers(game, user, &event);
    event.result = kind == GameEventKind::End ? players[size_t(user)].result : PlayerResult::Undecided;
    event.seconds = kind == GameEventKind::End ? seconds : -1;
    event.recordKept = recordKept;
    event.counts.wins = 3;
    event.counts.losses = 1;
    std::strcpy(event.recordText, "3 - 1");
    return event;
}

constexpr PlayerRace T = PlayerRace::Terran, Z = PlayerRace::Zerg, P = PlayerRace::Protoss, X = PlayerRace::Other;
constexpr PlayerResult Won = PlayerResult::Victory, Lost = PlayerResult::Defeat, Tie = PlayerResult::Tie,
                       Open = PlayerResult::Undecided;

TEST(GameEventTest, SentencesSayWhatAPersonReads)
{
    const struct {
        const char* name;
        GameEvent event;
        const char* sentence;
    } cases[] = {
        {"start", EventOf(GameEventKind::Start, {{"Foe", Z, Open}, {"Kestrel", T, Open}}, 1, 0, true),
         "Kestrel (Terran) vs Foe (Zerg): the game has begun."},
        {"won", EventOf(GameEventKind::End, {{"Kestrel", T, Won}, {"Foe", Z, Lost}}, 0, 724.6, true),
         "Kestrel won against Foe (Zerg) in 12:04. Record: 3 - 1."},
        {"lost", EventOf(GameEventKind::End, {{"Kestrel", T, Lost}, {"Foe", P, Won}}, 0, 59, true),
         "Kestrel lost against Foe (Protoss) in 0:59. Record: 3 - 1."},
        {"tied", EventOf(GameEventKind::End, {{"Kestrel", T, Tie}, {"Foe", Z, Tie}}, 0, 3723, true),
         "Kestrel tied with Foe (Zerg) in 1:02:03. Record: 3 - 1."},
        {"allies and a race not known", EventOf(GameEventKind::End,
                                                {{"A", Z, Lost}, {"Kestrel", T, Won}, {"Ally", P, Won}, {"B", X, Lost}},
                                                1, 61, true),
         "Kestrel and Ally won against A (Zerg) and B in 1:01. Record: 3 - 1."},
        {"no length, no record", EventOf(GameEventKind::End, {{"Kestrel", T, Won}, {"Foe", Z, Lost}}, 0, -1, false),
         "Kestrel won against Foe (Zerg)."},
        {"a clan tag", EventOf(GameEventKind::Start, {{"&lt;KC&gt;<sp/>Kestrel", T, Open}, {"Foe", Z, Open}}, 0, 0, false),
         "<KC> Kestrel (Terran) vs Foe (Zerg): the game has begun."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GameEventSentence(c.event), c.sentence) << c.name;
}

TEST(GameEventTest, JsonHoldsTheEventWithNamesEscaped)
{
    const GameEvent start =
        EventOf(GameEventKind::Start, {{"Kestrel", T, Open}, {"<b>\"Foe\"</b>", Z, Open}}, 0, 0, false);
    EXPECT_EQ(GameEventJson(start),
              R"({"event":"game-start","players":[{"name":"Kestrel","race":"Terran","type":"user","isUser":true,)"
              R"("result":""},{"name":"<b>\"Foe\"</b>","race":"Zerg","type":"user","isUser":false,"result":""}],)"
              R"("result":null,"record":null,"duration":null,)"
              R"("content":"Kestrel (Terran) vs <b>\"Foe\"</b> (Zerg): the game has begun."})");
    const GameEvent end = EventOf(GameEventKind::End, {{"Kestrel", T, Lost}, {"Foe", Z, Won}}, 0, 90.9, true);
    EXPECT_EQ(GameEventJson(end),
              R"({"event":"game-end","players":[{"name":"Kestrel","race":"Terran","type":"user","isUser":true,)"
              R"("result":"Defeat"},{"name":"Foe","race":"Zerg","type":"user","isUser":false,"result":"Victory"}],)"
              R"("result":"Defeat","record":{"wins":3,"losses":1,"ties":0,"text":"3 - 1"},"duration":90,)"
              R"("content":"Kestrel lost against Foe (Zerg) in 1:30. Record: 3 - 1."})");
}

} // namespace

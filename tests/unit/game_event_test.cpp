// The game events' sentences case by case: a start, each result, allies,
// and what is not known or not kept left out.
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

// The record kept (or not) at 3 - 1; the result and length the user's at the end.
GameEvent EventOf(GameEventKind kind, const std::vector<Player>& players, int user, double seconds, bool recordKept)
{
    ClientApiGame game = {};
    for (const Player& player : players) {
        ClientApiPlayer& taken = game.players[game.playerCount++];
        taken = {{}, PlayerType::User, player.race, player.result};
        std::strncpy(taken.name, player.name, kClientApiNameBytes - 1);
    }
    GameEvent event = {kind, 0, {}, players[size_t(user)].result, seconds, recordKept, {3, 1, 0, {}, {}}, "3 - 1"};
    TakeEventPlayers(game, user, &event);
    return event;
}

constexpr PlayerRace T = PlayerRace::Terran, Z = PlayerRace::Zerg, P = PlayerRace::Protoss, X = PlayerRace::Other;
constexpr PlayerResult Won = PlayerResult::Victory, Lost = PlayerResult::Defeat, Tie = PlayerResult::Tie;

TEST(GameEventTest, SentencesSayWhatAPersonReads)
{
    const struct { const char* name; GameEvent event; const char* sentence; } cases[] = {
        {"start", EventOf(GameEventKind::Start, {{"Foe", Z, Tie}, {"Kestrel", T, Tie}}, 1, 0, true),
         "Kestrel (Terran) vs Foe (Zerg): the game has begun."},
        {"won", EventOf(GameEventKind::End, {{"Kestrel", T, Won}, {"Foe", Z, Lost}}, 0, 724.6, true),
         "Kestrel won against Foe (Zerg) in 12:04. Record: 3 - 1."},
        {"tied", EventOf(GameEventKind::End, {{"Kestrel", T, Tie}, {"Foe", Z, Tie}}, 0, 3723, true),
         "Kestrel tied with Foe (Zerg) in 1:02:03. Record: 3 - 1."},
        {"allies and a race not known", EventOf(GameEventKind::End,
                                                {{"A", Z, Lost}, {"Kestrel", T, Won}, {"Ally", P, Won}, {"B", X, Lost}},
                                                1, 61, true),
         "Kestrel and Ally won against A (Zerg) and B in 1:01. Record: 3 - 1."},
        {"lost, no length, no record", EventOf(GameEventKind::End, {{"Kestrel", T, Lost}, {"Foe", P, Won}}, 0, -1, false),
         "Kestrel lost against Foe (Protoss)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GameEventSentence(c.event), c.sentence) << c.name;
}

} // namespace

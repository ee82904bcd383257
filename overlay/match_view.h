// What the overlay shows of the match and the session: the situation, the
// players of the game on screen, the record and the last games. Players'
// names are the opponents' to choose and never trusted: they go into the
// JSON escaped, as JSON escapes any text.
// Plain C++ without <windows.h>, so it is tested and fuzzed natively too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "record/record_format.h"
#include "watch/client_api_answer.h"

// A name as a person reads it, UTF-8 and terminated.
constexpr size_t kMatchNameBytes = kClientApiNameBytes;
// The last games the overlay lists, kept with the record.
constexpr size_t kLastGamesKept = 10;
// The record's text in UTF-8, as files and OBS take it.
constexpr size_t kMatchRecordTextBytes = kRecordTextChars * 3;

struct MatchPlayer {
    char name[kMatchNameBytes];
    PlayerType type;
    PlayerRace race;
    PlayerResult result;
    bool isUser;
};

// A counted game: the opponent (the first other human), his race, the
// user's result and the game's length in game seconds.
struct LastGame {
    char opponent[kMatchNameBytes];
    PlayerRace race;
    PlayerResult result;
    uint32_t seconds;
};

struct MatchView {
    const char* situation;  // a word of kSituationWords' kind, never null
    size_t playerCount;
    MatchPlayer players[kClientApiMostPlayers];  // the user first
    RecordCounts counts;
    char recordText[kMatchRecordTextBytes];
    size_t gameCount;
    LastGame games[kLastGamesKept];  // the newest first
};

// The game writes markup into names: a clan tag as "&lt;TAG&gt;<sp/>Name".
// Gives "<TAG> Name": the entities and <sp/> read as what they stand for,
// once, any other markup kept as it stands (it is text, not markup, to
// whoever shows it). Always valid UTF-8: bytes that are none show as
// U+FFFD, each run that breaks off as one. Cut to fit, only where a
// character ends.
void ReadablePlayerName(const char* gameName, char (&out)[kMatchNameBytes]);

// The words the JSON gives a player's race, type and result: "" for one
// the game did not tell (or a result not decided yet).
const char* PlayerRaceWord(PlayerRace race);
const char* PlayerTypeWord(PlayerType type);
const char* PlayerResultWord(PlayerResult result);

// The game's players as the match shows them: the user (`user`, -1 for
// none) first, the others in the game's order. Returns how many.
size_t TakeMatchPlayers(const ClientApiGame& game, int user, MatchPlayer (&players)[kClientApiMostPlayers]);

// The players as the JSON array `name` of `parent`, as /state and the game
// events give them; false when memory runs out.
struct cJSON;
bool AddPlayersJson(cJSON* parent, const char* name, const MatchPlayer* players, size_t count);

// The view as the JSON of GET /state; empty when memory runs out.
std::string MatchStateJson(const MatchView& view);

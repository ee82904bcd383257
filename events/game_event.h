// What a chat bot hears of a game: its start and its end, as the JSON the
// webhook posts and the one sentence a person reads in it ("content", which
// a Discord webhook shows as a message as it stands). Players' names are
// the opponents' to choose: they go into the JSON escaped, as JSON escapes
// any text, and into the sentence as the characters they are.
// Plain C++ without <windows.h>, so it is tested natively too.
#pragma once
#include <cstddef>
#include <string>

#include "overlay/match_view.h"
#include "record/record_format.h"
#include "watch/client_api_answer.h"

enum class GameEventKind { Start, End };

struct GameEvent {
    GameEventKind kind;
    size_t playerCount;
    MatchPlayer players[kClientApiMostPlayers];  // the user first, names as a person reads them
    PlayerResult result;  // the user's, at the end; Undecided at the start
    double seconds;       // the game's length at the end; negative when not known (and at the start)
    bool recordKept;      // false: the record is not kept, and the event tells none
    RecordCounts counts;
    char recordText[kMatchRecordTextBytes];  // UTF-8, terminated: the record as its format shows it
};

// The game's players as the event names them: the user (`user`, an index
// into the game's players) first, the others in the game's order.
void TakeEventPlayers(const ClientApiGame& game, int user, GameEvent* event);

// "Kestrel (Terran) vs Foe (Zerg): the game has begun." at the start;
// "Kestrel won against Foe (Zerg) in 12:04. Record: 3 - 1." at the end
// ("lost against", "tied with"; allies beside the user: "Kestrel and Ally
// won against ..."). A race not known and a length not known are left out,
// and so is the record when it is not kept.
std::string GameEventSentence(const GameEvent& event);

// The event's JSON: {"event", "players", "result", "record", "duration",
// "content"}; empty when memory runs out.
std::string GameEventJson(const GameEvent& event);

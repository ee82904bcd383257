// Which games count in the session's record, told from what the game's
// client API answers: a game counts when its map goes off with the user's
// result decided, if the user played it (not a replay, not a game watched)
// against at least one human. Each game counts once, however often the API
// tells of its end, and a game whose result cannot be read counts not at all.
#pragma once
#include <windows.h>

#include "record/session_record.h"
#include "watch/client_api_answer.h"

// What a sample has to say of the record.
enum class RecordNews {
    None,
    Counted,      // a game to count: `outcome` and `versus`
    Unreadable,   // a game ended whose result could not be read
    NamesNeeded,  // a game against humans ended, and no names say which is the user
    NamesShared,  // a game ended where more than one player has one of the user's names
};

struct RecordEvent {
    RecordNews news;
    GameOutcome outcome;
    RecordRace versus;  // kRecordRaceCount: not a game of one against one, or a race not known
};

// Who played the game counted last, and how long it ran: the same game told
// of twice is counted once.
struct CountedGame {
    bool any;
    size_t playerCount;
    char players[kClientApiMostPlayers][kClientApiNameBytes];
    PlayerRace races[kClientApiMostPlayers];
    double displayTime;
};

struct RecordWatch {
    bool mapOn;              // the map was on at the last readable /ui
    bool loadingSinceCount;  // a loading screen came since the last count
    bool resultWanted;       // the map went off: that game's result is asked for
    ULONGLONG wantedSince;
    CountedGame last;
};

// After each readable /ui: whether /game is to be asked, for the result of
// a game whose map just went off.
bool FollowScreensForRecord(RecordWatch* watch, ClientApiScreens screens);

// With /game's answer (null when it gave none in time): what it means for
// the record. `names` are the user's names as typed.
RecordEvent FollowGameForRecord(RecordWatch* watch, const ClientApiGame* game, const wchar_t* names);

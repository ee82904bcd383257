// What the game is doing, as far as its scene is concerned. The game's
// memory tells only Playing and Menus; its client API tells them all.
#pragma once
#include <windows.h>

#include "app/app_state.h"
#include "watch/client_api_answer.h"

enum class Situation {
    None,       // nothing read yet in this watch phase
    Playing,    // a game of the user's own is on the map (or no names are set)
    Observing,  // a game on the map that none of the user's names plays
    Replay,     // a replay on the map
    Loading,    // the loading screen before a game
    AfterWin,   // the score screen after the user won
    AfterLoss,  // the score screen after the user lost
    AfterGame,  // the score screen after a tie, an observed game, a replay or an unknown result
    Menus,      // anything else
};

// The user's names are typed as one text, any number of them separated by
// ';', bounded at kPlayerNameListChars.

// Whether at least one name is typed (blanks and separators alone are none).
bool ArePlayerNamesSet(const wchar_t* names);

// Whether the name the game gives a player (UTF-8, as read) is one of the
// typed names: letter case is ignored, and so is a clan tag in front of
// either, in any of the forms the game and players write it.
bool IsOneOfPlayerNames(const char* gameName, const wchar_t* names);

// FindUserAmong's answer when more than one player has one of the names
// (an opponent "Kestrel" of another clan beside the user's "kestrel"): the
// game is the user's, but which result is the user's cannot be told.
constexpr int kUserAmongSeveral = -2;

// The index of the user among the game's players, -1 when none of them
// is the user or it cannot be told, or kUserAmongSeveral. With names typed,
// the one player who has one; with none, the only human in a game against
// computers.
int FindUserAmong(const ClientApiGame& game, const wchar_t* names);

// The situation once the map is on, and on the score screen, from /game.
Situation SituationOnMap(const ClientApiGame& game, const wchar_t* names);
Situation SituationOnScore(const ClientApiGame& game, const wchar_t* names);

// The situation the screens tell without /game: the map on is taken for
// the user's own game and the score screen for an unknown result.
Situation SituationOfScreens(ClientApiScreens screens);

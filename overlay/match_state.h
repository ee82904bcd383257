// The match on stream, and its one owner: the situation, the players of
// the game on screen and the last games of the record. The worker tells it
// what the client API answers; the overlay's server reads a view of it,
// numbered so that the server sends it again only when it has changed.
// The last games are kept with the record: stored in the registry as each
// is counted, so they survive a restart, and cleared by the record's Reset.
#pragma once
#include <windows.h>

#include "overlay/match_view.h"
#include "watch/situation.h"

// Whether anyone shows the match (the overlay's server runs): only then
// does the worker ask the game who plays for the match's sake.
void WatchMatch(bool watched);
bool IsMatchWatched();

// Worker: the situation as settled, with /game's answer when it was read
// for it (null: the players stay as they were, unless the menus came).
void ShowMatch(Situation situation, const ClientApiGame* game, const wchar_t* names);

// Worker, as the record counts a game while the match is watched: the game
// as /game told its end.
void AddLastGame(const ClientApiGame& game, const wchar_t* names);

// The record's Reset.
void ClearLastGames();

// Any thread: the view as it stands, and a number that moves on with every
// change of the match or of the record.
void TakeMatchView(MatchView* view, unsigned* change);

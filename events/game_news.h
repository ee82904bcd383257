// The worker's part of the game events: which games the webhook tells of,
// and the event each makes. They are the games the record counts: the
// user's own (the names typed in Scenes... say which player is the user)
// against at least one other human; a replay, a game watched and a game
// against computers alone tell nothing, as they are not the user's games.
#pragma once
#include "watch/client_api_answer.h"

// Worker: the map came on with these players.
void TellGameStarted(const ClientApiGame& game);
// Worker: the record has decided this game's result (and counted it, when
// the record is kept).
void TellGameEnded(const ClientApiGame& game);

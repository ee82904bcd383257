// The simulated game's client API: a listener thread on 127.0.0.1 and one
// thread for each connection. The window's thread tells it the screens and
// the faults; the API's threads only read copies of them.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "sim_game/api_faults.h"
#include "sim_game/game_screens.h"

enum class ListenerState { Closed, Listening, PortBusy };

// Starts the listener thread (Winsock must be started) on `address`
// (network order). It listens unless the faults say closed, and while the
// port is taken it tries again.
bool StartApiServer(ULONG address, unsigned short port, const ApiFaults& faults, const GameView& view);

// Called by the window's thread after every change of screen.
void PublishGameView(const GameView& view);

// Puts the faults in force for every answer from now on. Returns once the
// listener has closed or opened to match (or a while has passed), so a test
// that switched it can rely on the port at once.
void PutApiFaultsInForce(const ApiFaults& faults);

ListenerState CurrentListenerState();

// For the connections' threads.
struct AnswerContext {
    GameView view;
    ApiFaults faults;
};
AnswerContext CurrentAnswerContext();
// Changes each time the API closes: a connection that sees it change resets
// itself, as a client's connections go when the game's API goes away.
unsigned CloseEpoch();
// A connection's thread calls this last.
void ConnectionEnded();

// Serves one accepted connection until either side ends it; owns the socket.
void ServeConnection(SOCKET client, unsigned serial);

// The game's state from its own client API: the HTTP interface the game
// serves on this computer while it runs (GET /ui on 127.0.0.1:6119). It
// works on every patch, needs no table and reads no memory.
#pragma once
#include <windows.h>
#include <winhttp.h>

#include "watch/game_state.h"

constexpr INTERNET_PORT kClientApiPort = 6119;

// A WinHTTP session and connection kept for the worker's life, so each
// sample reuses the game's kept-alive connection instead of opening one.
struct ClientApiLink {
    HINTERNET session;
    HINTERNET connection;
};

// False when WinHTTP itself cannot be had; nothing is open then.
bool OpenClientApiLink(ClientApiLink* link);
void CloseClientApiLink(ClientApiLink* link);

// One GET /ui: InGame for an empty "activeScreens" array, NotInGame for a
// non-empty one, ProbeFailed for no connection, a status other than 200, or
// a body that is not such JSON or is too long. Bounded at 50 ms, well below
// the sampling period, however slowly the game answers.
GameState ProbeClientApi(const ClientApiLink& link);

// The game's state from its own client API: the HTTP interface the game
// serves while it runs (GET /ui and GET /game, on 127.0.0.1:6119, or on
// another computer's address when the game is started with -clientapi). It
// works on every patch, needs no table and reads no memory.
#pragma once
#include <windows.h>
#include <winhttp.h>

#include "watch/client_api_answer.h"

constexpr INTERNET_PORT kClientApiPort = 6119;

// A WinHTTP session and connection kept for the worker's life, so each
// sample reuses the game's kept-alive connection instead of opening one.
struct ClientApiLink {
    HINTERNET session;
    HINTERNET connection;
};

// False when WinHTTP itself cannot be had; nothing is open then.
bool OpenClientApiLink(ClientApiLink* link, const wchar_t* host, INTERNET_PORT port);
void CloseClientApiLink(ClientApiLink* link);

// One GET /ui: Unreadable for no connection, no answer by the deadline, a
// status other than 200 (a redirect among them: none is followed), or a
// body that is not such JSON or is too long.
ClientApiScreens AskClientApiScreens(const ClientApiLink& link, ULONGLONG deadline);

// One GET /game, likewise; false when it gave no readable answer in time.
bool AskClientApiGame(const ClientApiLink& link, ULONGLONG deadline, ClientApiGame* game);

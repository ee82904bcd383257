// The game's state from its own client API: the HTTP interface the game
// serves while it runs (GET /ui and GET /game, on 127.0.0.1:6119, or on
// another computer's address when the game is started with -clientapi). It
// works on every patch, needs no table and reads no memory.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "watch/client_api_answer.h"
#include "watch/host_address.h"
#include "watch/http_answer.h"

constexpr unsigned short kClientApiPort = 6119;
// A host name or address as typed (254) or read back (255), plus terminator.
constexpr size_t kClientApiHostChars = 256;

// One TCP connection to the game, kept open from one sample to the next
// while the game keeps it, and what it needs between samples: where the game
// is, a lookup of its name under way, and room for one answer. Owned by the
// worker.
struct ClientApiLink {
    wchar_t host[kClientApiHostChars];
    unsigned short port;
    HANDLE stop;          // ends every wait at once when set
    char hostHeader[kClientApiHostChars * 3 + 8];  // "host:port" in UTF-8, for the Host header
    HostLookup* lookup;   // a lookup of `host` under way, null when none
    bool addressKnown;
    ULONGLONG addressFoundTick;
    HostAddresses addresses;
    int addressAt;        // the one tried next: the one that worked last, else the one after a failure
    SOCKET socket;        // INVALID_SOCKET when there is no connection
    WSAEVENT event;       // the socket's connect, read and close events
    bool connecting;      // the connection is asked for and not yet made
    ULONGLONG connectStartTick;
    size_t receivedSize;
    char received[kHttpReceiveLimitBytes];
    char body[kHttpBodyLimitBytes];
};

// False when the event cannot be had; nothing is open then. No connection
// is made yet: the first request makes it. Every wait of the link also ends
// when `stop` is set.
bool OpenClientApiLink(ClientApiLink* link, const wchar_t* host, unsigned short port, HANDLE stop);
void CloseClientApiLink(ClientApiLink* link);

// One GET /ui: Unreadable for no connection, no answer by the deadline or
// at Stop, a status other than 200 (a redirect among them: none is
// followed), or a body that is not such JSON or is too long.
ClientApiScreens AskClientApiScreens(ClientApiLink* link, ULONGLONG deadline);

// One GET /game, likewise; false when it gave no readable answer in time.
bool AskClientApiGame(ClientApiLink* link, ULONGLONG deadline, ClientApiGame* game);

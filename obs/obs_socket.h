// A WebSocket to OBS Studio, through WinHTTP in its asynchronous mode: every
// step is started and then waited for with a bound, so an OBS that freezes
// or a network that goes can hold the worker no longer than that. (Under
// Wine a synchronous WebSocket receive honours no time-out at all.)
#pragma once
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "watch/host_address.h"

enum class ObsSocketFailure {
    None,
    NoListener,    // nothing accepts connections there
    HostUnknown,   // the name does not resolve
    TimedOut,      // no answer within the bound
    NotWebSocket,  // something answers, but not with a WebSocket upgrade
    Failed,        // anything else
};

// The socket and what WinHTTP's callbacks share with the worker.
struct ObsSocket;

// Connects and upgrades to the obs-websocket subprotocol; null (and why in
// `failure`) when that does not happen within `waitMs`, the host's lookup
// included. Every wait on the socket, this one included, also ends as soon
// as `cancel` (an event, or null for none) is set: the worker's Stop must
// not wait out a slow OBS. Each address the host has is tried in turn,
// from `*worked` when it is among them (zero: from the first), until one
// connects; `*worked` is then that one.
ObsSocket* OpenObsSocket(const wchar_t* host, INTERNET_PORT port, DWORD waitMs, HANDLE cancel, HostAddress* worked,
                         ObsSocketFailure* failure);

// The same with the addresses given, tried from `*at` on (wrapping round)
// until one connects or the wait is over; `*at` is then the one that did.
// WinHTTP is given each address's numbers, and the Host header still names
// `host` as typed.
ObsSocket* OpenObsSocketAt(const wchar_t* host, const HostAddresses& addresses, int* at, INTERNET_PORT port,
                           DWORD waitMs, HANDLE cancel, ObsSocketFailure* failure);

enum class ObsSent {
    Sent,
    Gone,      // the connection had closed or failed, or failed now
    TimedOut,  // not out within the time, or cancelled
};

// Sends one text message; after anything but Sent the socket is broken.
ObsSent SendObsText(ObsSocket* socket, const std::string& text, DWORD waitMs);

enum class ObsReceived {
    Message,   // one whole text message
    Closed,    // OBS closed the connection (ObsCloseCode tells why)
    TimedOut,  // nothing complete within the time; the socket is still good
    Broken,    // an error, a binary message or one too long: give the socket up
};

// Waits until `deadline` (a GetTickCount64 value) for the next whole text
// message. Once the deadline has passed or the socket's cancel is set it
// returns TimedOut, even with messages waiting: a peer that never stops
// sending cannot hold a wait past its bound.
ObsReceived ReceiveObsText(ObsSocket* socket, std::string* text, ULONGLONG deadline);

// The next whole text message that has come already, without waiting;
// false when none has.
bool TakeWaitingObsText(ObsSocket* socket, std::string* text);

// The close code OBS sent, 0 when none.
unsigned ObsCloseCode(const ObsSocket* socket);

// Whether the connection has closed or failed, without waiting. Messages
// that came meanwhile are kept for ReceiveObsText; a look takes in a
// bounded number of them, so a flood holds no caller.
bool IsObsSocketGone(ObsSocket* socket);

// Closes the socket (cutting short whatever is under way) and lets go of
// it; the memory goes once WinHTTP has let go of its handles too. A close
// frame from OBS has been answered with one by then.
void CloseObsSocket(ObsSocket* socket);

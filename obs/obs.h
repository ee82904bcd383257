// Switching OBS Studio's scenes through its remote-control protocol: the
// same small verbs as for XSplit (connect, switch, is it lost). One
// connection is opened by the worker and kept for its run; every wait on it
// is bounded by kObsWaitMs, so a frozen OBS can hold neither the worker nor
// Stop for longer.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "obs/obs_socket.h"

// At most what a click into a hung XSplit may take.
constexpr DWORD kObsWaitMs = 2000;

enum class ObsConnectResult {
    Connected,
    NoListener,       // nothing listens at that host and port
    HostUnknown,      // the host name does not resolve
    TimedOut,         // something accepted the connection but did not answer in time
    NotObs,           // something answers, but not as obs-websocket 5
    PasswordNeeded,   // OBS asks for a password and none is set
    PasswordRefused,  // OBS closed the connection: wrong password
};

// Plain data, all zero when nothing is open, so that it can live in AppState.
struct ObsConnection {
    ObsSocket* socket;
    unsigned requestsSent;
};

// Connects and identifies with `password` (empty for none); the version of
// OBS's WebSocket server into `webSocketVersion` unless that is null. On
// anything but Connected nothing stays open. Every wait, then and later on
// this connection, also ends when `cancel` is set (null for none).
ObsConnectResult ConnectToObs(ObsConnection* obs, const wchar_t* host, unsigned port, const wchar_t* password,
                              HANDLE cancel, std::string* webSocketVersion = nullptr);

enum class ObsSwitchResult {
    Switched,
    NoSuchScene,  // code 600
    Refused,      // another code, 207 (not ready yet) among them
    Lost,         // no answer in time, or the connection went: it is closed
};

// SetCurrentProgramScene with the name (UTF-16, as typed).
ObsSwitchResult SwitchObsScene(ObsConnection* obs, const wchar_t* name);

// True when the connection has gone (OBS closed, the network gone) or was
// given up; callers then connect again.
bool IsObsLost(ObsConnection* obs);

// OBS's version and its scene names (UTF-8), for the Options dialog's test.
bool AskObsVersionAndScenes(ObsConnection* obs, std::string* obsVersion, std::vector<std::string>* scenes);

void DisconnectFromObs(ObsConnection* obs);

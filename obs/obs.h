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
    NoHost,              // the host is empty
    NoListener,          // nothing listens at that host and port
    HostUnknown,         // the host name does not resolve
    TimedOut,            // something accepted the connection but did not answer in time
    NotObs,              // something answers, but not as obs-websocket 5
    PasswordNeeded,      // OBS asks for a password and none is set
    PasswordRefused,     // OBS closed the connection: wrong password
    VersionUnsupported,  // OBS closed the connection: it does not speak our protocol version
    Dropped,             // OBS said Hello, then closed the connection for no reason it gave
};

struct ObsMessage;

enum class ObsAskResult {
    Answered,
    Refused,   // OBS answered promptly, with a failure
    TimedOut,  // no answer in time: the connection is closed
    Gone,      // the connection went meanwhile
};

// Plain data, all zero when nothing is open. With `onSceneEvent` set, the
// connection subscribes to OBS's scene events and hands each to it as it
// is read, on the thread that uses the connection; `onSceneList` is handed
// the answer to RequestObsSceneList likewise, or its wait's end.
struct ObsConnection {
    ObsSocket* socket;
    unsigned requestsSent;
    void (*onSceneEvent)(const ObsMessage& event);
    HostAddress worked;  // the host's address the last connection was made to, tried first next time
    void (*onSceneList)(ObsAskResult asked, const std::vector<std::string>& scenes);
    unsigned listRequest;    // the number of the list asked for and not yet answered; 0: none
    ULONGLONG listDeadline;  // GetTickCount64 when that answer is no longer awaited
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

enum class ObsTextResult {
    Set,
    NoSuchInput,  // code 600
    Refused,      // another code
    Lost,         // no answer in time, or the connection went: it is closed
};

// SetInputSettings: the text (UTF-8) of the input named `inputName` (UTF-16,
// as typed), its other settings kept.
ObsTextResult SetObsText(ObsConnection* obs, const wchar_t* inputName, const std::string& text);

// True when the connection has gone (OBS closed, the network gone) or was
// given up; callers then connect again. The events that came meanwhile are
// handed on.
bool IsObsLost(ObsConnection* obs);

// What OBS says of itself, for the Options dialog's test. Texts UTF-8.
struct ObsDescription {
    std::string obsVersion;
    std::vector<std::string> scenes;
    // When OBS refused: its answer code and comment.
    int refusalCode = 0;
    std::string refusalComment;
};

// OBS's version and its scene names.
ObsAskResult AskObsVersionAndScenes(ObsConnection* obs, ObsDescription* description);

// GetSceneList: the names of OBS's scenes (UTF-8), its order kept.
ObsAskResult AskObsScenes(ObsConnection* obs, std::vector<std::string>* scenes);
// GetSceneList sent without waiting for its answer, so that no switch
// waits behind it: the answer is read (and handed to onSceneList) while
// the connection waits for another or is looked at by IsObsLost. One not
// come within kObsWaitMs is handed on as TimedOut, the connection kept:
// its other answers are told apart by their ids. False when it could not
// be sent; the connection is then closed.
bool RequestObsSceneList(ObsConnection* obs);

void DisconnectFromObs(ObsConnection* obs);

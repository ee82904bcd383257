// The messages of OBS Studio's remote-control protocol (obs-websocket 5,
// JSON text over a WebSocket) that Kestrelcue writes and reads. The bytes
// OBS sends come over the network and are not trusted: a message is read
// only when every field it needs is there with its type. Plain C++ without
// <windows.h>, so it is tested and fuzzed natively too.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Longer messages are taken as a fault: a list of a few hundred scenes is
// some tens of kilobytes.
constexpr size_t kObsMessageLimitBytes = 1024 * 1024;

constexpr int kObsOpHello = 0;
constexpr int kObsOpIdentify = 1;
constexpr int kObsOpIdentified = 2;
constexpr int kObsOpEvent = 5;
constexpr int kObsOpRequest = 6;
constexpr int kObsOpRequestResponse = 7;

// The protocol's answer codes that mean something to a streamer.
constexpr int kObsCodeSuccess = 100;
constexpr int kObsCodeNotReady = 207;
constexpr int kObsCodeResourceNotFound = 600;

// WebSocket close codes OBS ends a connection with.
constexpr unsigned kObsCloseAuthenticationFailed = 4009;
constexpr unsigned kObsCloseUnsupportedRpcVersion = 4010;

constexpr int kObsRpcVersion = 1;

// What one message from OBS says, as far as Kestrelcue needs it. Texts are
// UTF-8 as sent.
struct ObsMessage {
    int op = -1;
    // Hello
    std::string webSocketVersion;
    bool authenticationRequired = false;
    std::string challenge, salt;
    // RequestResponse
    std::string requestType, requestId;
    bool succeeded = false;
    int code = 0;
    std::string comment;
    // RequestResponse to GetVersion and to GetSceneList
    std::string obsVersion;
    std::vector<std::string> sceneNames;
    std::string currentProgramScene;
    // Event: its type, and of the scene events the scene (sceneName, the new
    // name for SceneNameChanged), the old name and, for SceneListChanged,
    // the whole list in sceneNames. A group's events are not the scenes'.
    std::string eventType;
    std::string sceneName, oldSceneName;
    bool isGroup = false;
};

// The events of the Scenes category, which keep a list of scenes current.
constexpr int kObsEventSubscriptionScenes = 1 << 2;

// False (and `message` as it was) when the bytes are not one JSON object
// with an integer "op" and an object "d" holding what that op needs, with
// nothing around it but JSON's blanks (space, tab, CR, LF) and no other
// control byte anywhere, or are longer than kObsMessageLimitBytes.
bool ReadObsMessage(const char* bytes, size_t size, ObsMessage* message);

// The Identify message; `authentication` empty when OBS asked for none.
// `eventSubscriptions` is the protocol's bit mask, 0 for none.
std::string IdentifyMessage(const std::string& authentication, int eventSubscriptions = 0);

// A request; `sceneName` (UTF-8) is sent as requestData.sceneName unless it
// is null.
std::string RequestMessage(const char* requestType, const std::string& requestId, const std::string* sceneName);

// SetInputSettings that sets the text of the input named `inputName` (both
// UTF-8) and leaves its other settings as they are.
std::string SetInputTextMessage(const std::string& requestId, const std::string& inputName, const std::string& text);

// The tests' own obs-websocket 5 client, independent of the product's, so
// that a test can ask OBS itself which scene is on air, put it in a known
// state first, and see what it announces. Small on purpose: WinHTTP's
// WebSocket, cJSON, and every wait bounded, so that a frozen OBS fails a
// call instead of hanging the test. Every call returns false with a reason
// in Error() when something went wrong; names are UTF-8.
#pragma once
#include <windows.h>
#include <winhttp.h>

#include <deque>
#include <string>
#include <vector>

typedef struct cJSON cJSON;
// WinHTTP's handles and what its callbacks report (obs_websocket_client.cpp).
struct ObsWebSocketLink;

// Identify's eventSubscriptions bit for the scene events.
constexpr unsigned kObsEventScenes = 1u << 2;
// The close code OBS sends after an Identify whose authentication is wrong.
constexpr unsigned short kObsCloseAuthenticationFailed = 4009;

// One CurrentProgramSceneChanged as the client read it.
struct ObsSceneChange {
    std::string sceneName;
    // QueryPerformanceCounter when the event had been read whole.
    LARGE_INTEGER receivedAt = {};
};

class ObsWebSocket {
public:
    // How long one call waits for OBS unless SetTimeout says otherwise.
    static constexpr DWORD kDefaultTimeoutMs = 5000;

    ObsWebSocket() = default;
    ObsWebSocket(const ObsWebSocket&) = delete;
    ObsWebSocket& operator=(const ObsWebSocket&) = delete;
    ~ObsWebSocket() { Close(); }

    // Opens ws://127.0.0.1:port with the JSON subprotocol, reads Hello,
    // identifies (with the password when Hello asks for authentication) and
    // waits for Identified.
    bool Connect(unsigned short port, const std::string& password, unsigned eventSubscriptions = 0);
    // Says goodbye (close code 1000) when the connection is still up, and
    // lets go of every handle.
    void Close();
    bool IsConnected() const;
    void SetTimeout(DWORD timeoutMs) { timeoutMs_ = timeoutMs; }

    bool GetVersion(std::string* obsVersion, std::string* webSocketVersion);
    // Scene names in OBS's list order (its list runs from the bottom up).
    bool GetSceneList(std::vector<std::string>* names);
    bool GetCurrentProgramScene(std::string* name);
    bool SetCurrentProgramScene(const std::string& name);
    // A streamer's edits of the scene list.
    bool CreateScene(const std::string& name);
    bool RemoveScene(const std::string& name);
    bool RenameScene(const std::string& name, const std::string& newName);
    // A text source (OBS's own on Linux, FreeType 2) in the scene, with this text.
    bool CreateTextSource(const std::string& sceneName, const std::string& inputName, const std::string& text);
    // The "text" setting of an input; false when OBS has no such input.
    bool GetInputText(const std::string& inputName, std::string* text);
    // The oldest CurrentProgramSceneChanged not yet taken, waiting for one
    // at most timeoutMs. Needs kObsEventScenes in Connect's subscriptions.
    bool WaitForSceneChange(ObsSceneChange* change, DWORD timeoutMs = kDefaultTimeoutMs);
    // Forgets the events read so far.
    void DiscardSceneChanges() { sceneChanges_.clear(); }

    // The code OBS closed the connection with, 0 while it has not.
    unsigned short CloseCode() const { return closeCode_; }
    const std::string& CloseReason() const { return closeReason_; }
    // Why the last call that failed did.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& reason);
    bool OpenSocket(unsigned short port, ULONGLONG deadline);
    bool Identify(unsigned short port, const std::string& password, unsigned eventSubscriptions);
    bool SendJson(const cJSON* message, ULONGLONG deadline);
    // The next message with this op code, read by the deadline (a
    // GetTickCount64 value); events read meanwhile are kept.
    bool ReceiveOp(int op, cJSON** message, ULONGLONG deadline);
    // The next message whole and parsed; a scene event is also kept.
    bool ReceiveJson(cJSON** message, ULONGLONG deadline);
    bool ReceiveMessage(std::string* text, ULONGLONG deadline);
    void KeepEvent(const cJSON* message);
    // Sends the request and waits for its response, matched by requestId;
    // *responseData (which may stay null) belongs to the caller.
    bool Request(const char* type, cJSON* requestData, cJSON** responseData);
    ULONGLONG Deadline() const { return GetTickCount64() + timeoutMs_; }

    // It may outlive this object when WinHTTP does not let go of its
    // handles in time.
    ObsWebSocketLink* link_ = nullptr;
    // A message whose first frames came before a wait ended.
    std::string partial_;
    DWORD timeoutMs_ = kDefaultTimeoutMs;
    unsigned nextRequestId_ = 1;
    std::deque<ObsSceneChange> sceneChanges_;
    unsigned short closeCode_ = 0;
    std::string closeReason_;
    std::string error_;
};

// base64(SHA-256(password + salt)), the secret that obs-websocket 5's
// authentication derives from the password; empty on failure.
std::string ObsSecret(const std::string& password, const std::string& salt);
// base64(SHA-256(base64(SHA-256(password + salt)) + challenge)), the
// authentication string of obs-websocket 5's Identify; empty on failure.
std::string ObsAuthentication(const std::string& password, const std::string& salt, const std::string& challenge);

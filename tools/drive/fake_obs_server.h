// A stand-in for OBS's WebSocket server, only for what a real OBS cannot be
// made to do: it upgrades and says Hello like obs-websocket 5, identifies
// the client (checking its authentication when given a password), and then
// answers each request in the way it is told, broken and hostile ones
// included. Runs on a thread of the test and serves one client at a time;
// what each connection saw is kept for the test to read.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class FakeObsAnswer {
    Proper,              // requestStatus result true, code 100 (GetVersion and GetSceneList with their data)
    FrameCutShort,       // a frame announcing more bytes than follow, then the connection closed
    NotJson,             // a text frame that is not JSON
    WrongRequestId,      // a proper answer, but to another request's id
    Megabytes,           // a text message of several megabytes
    BinaryFrame,         // a binary frame instead of text
    Nothing,             // no answer at all, the connection kept
    FloodOfEvents,       // events without end, as fast as the client takes them, and never the answer
    OtherIdsWithoutEnd,  // proper answers to other requests' ids without end, never to this one
    ControlBytesFirst,   // a proper answer with the bytes 01 02 03 before the JSON
    Refused,             // requestStatus result false, code 207 (not ready yet)
};

struct FakeObsBehaviour {
    FakeObsAnswer answer = FakeObsAnswer::Proper;
    // Non-zero: the upgrade is answered with a 302 to ws://127.0.0.1 at this port.
    unsigned short redirectPort = 0;
    // How long after the upgrade Hello comes.
    DWORD helloDelayMs = 0;
    // Hello with the bytes 01 02 03 before the JSON.
    bool helloControlBytesFirst = false;
    // The connection reset right after Hello, as an OBS that goes away does.
    bool dropAfterHello = false;
    // Non-zero: Identify is answered with a close frame of this code.
    unsigned short identifyCloseCode = 0;
    // Non-empty: Hello asks for authentication with kFakeObsSalt and
    // kFakeObsChallenge, and a wrong answer is closed with 4009 as OBS does.
    std::string password;
    // Non-zero: GetSceneList (answered as `answer` says) is answered so
    // long after it came, requests that come meanwhile being answered first.
    DWORD sceneListDelayMs = 0;
};

constexpr char kFakeObsSalt[] = "QxNbn0Yc7mFZ1rWqK8e5Hh3vJpTgD2aLsUo9iRkXy4A=";
constexpr char kFakeObsChallenge[] = "c5Wd8YbKf1nPq3RzT7uVx0Aj2Lm9Eo4Gh6Is8Nk+Jw0=";
constexpr char kFakeObsVersion[] = "29.0.2-fake";

// What one client connection saw, in GetTickCount64 milliseconds (0: never).
struct FakeObsConnection {
    ULONGLONG acceptedAt = 0;
    ULONGLONG firstRequestAt = 0;
    // When the client was seen gone, or the server ended the connection.
    ULONGLONG endedAt = 0;
    bool identified = false;
    std::string host;  // the upgrade's Host header
    // The client answered the server's close frame with one, of this code.
    bool closeAnswered = false;
    unsigned short closeAnswerCode = 0;
    // In order: each request's type as it came, and "answer " and the type
    // as each answer went.
    std::vector<std::string> conversation;
};

class FakeObsServer {
public:
    explicit FakeObsServer(FakeObsAnswer answer) { behaviour_.answer = answer; }
    explicit FakeObsServer(const FakeObsBehaviour& behaviour) : behaviour_(behaviour) {}
    ~FakeObsServer() { Stop(); }
    FakeObsServer(const FakeObsServer&) = delete;
    FakeObsServer& operator=(const FakeObsServer&) = delete;

    // Listens on 127.0.0.1 at the port, waiting a while for it to be free.
    bool Start(unsigned short port);
    void Stop();

    // Clients identified and requests answered so far.
    int Identified() const { return identified_; }
    int Requests() const { return requests_; }
    // Whether a flood of messages is being sent right now.
    bool Flooding() const { return flooding_; }
    // Every connection accepted so far, the one under way included.
    std::vector<FakeObsConnection> Connections() const;

private:
    void Serve();
    void Talk(SOCKET client);
    bool Upgrade(SOCKET client);
    bool SayHello(SOCKET client);
    bool Identify(SOCKET client, const std::string& identify);
    bool AnswerRequest(SOCKET client, const std::string& request);
    bool Reply(SOCKET client, const std::string& type, const std::string& id);
    bool Flood(SOCKET client, const std::string& requestId);
    void CloseAndHearTheAnswer(SOCKET client, unsigned short code);
    void WaitForTheClientToGo(SOCKET client);
    // Changes the record of the connection under way.
    void Record(const std::function<void(FakeObsConnection&)>& change);
    bool IsStopping() const;

    FakeObsBehaviour behaviour_;
    SOCKET listener_ = INVALID_SOCKET;
    HANDLE stop_ = nullptr;
    std::thread thread_;
    std::atomic<int> identified_{0};
    std::atomic<int> requests_{0};
    std::atomic<bool> flooding_{false};
    mutable std::mutex connectionsLock_;
    std::vector<FakeObsConnection> connections_;
    // The server thread's: the list answer held back, and when it is due.
    struct DelayedAnswer {
        std::string id;
        ULONGLONG due = 0;
    } delayedList_;
};

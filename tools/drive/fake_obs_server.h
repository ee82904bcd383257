// A stand-in for OBS's WebSocket server, only for what a real OBS cannot be
// made to do: it upgrades and says Hello like obs-websocket 5 (without
// authentication), identifies the client, and then answers each request in
// the way it is told, broken ones included. Runs on a thread of the test.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

enum class FakeObsAnswer {
    Proper,          // requestStatus result true, code 100
    FrameCutShort,   // a frame announcing more bytes than follow, then the connection closed
    NotJson,         // a text frame that is not JSON
    WrongRequestId,  // a proper answer, but to another request's id
    Megabytes,       // a text message of several megabytes
    BinaryFrame,     // a binary frame instead of text
    Nothing,         // no answer at all, the connection kept
};

class FakeObsServer {
public:
    explicit FakeObsServer(FakeObsAnswer answer) : answer_(answer) {}
    ~FakeObsServer() { Stop(); }
    FakeObsServer(const FakeObsServer&) = delete;
    FakeObsServer& operator=(const FakeObsServer&) = delete;

    // Listens on 127.0.0.1 at the port, waiting a while for it to be free.
    bool Start(unsigned short port);
    void Stop();

    // Clients identified and requests answered so far.
    int Identified() const { return identified_; }
    int Requests() const { return requests_; }

private:
    void Serve();
    void Talk(SOCKET client);
    bool Upgrade(SOCKET client);
    bool AnswerRequest(SOCKET client, const std::string& request);
    bool IsStopping() const;

    FakeObsAnswer answer_;
    SOCKET listener_ = INVALID_SOCKET;
    HANDLE stop_ = nullptr;
    std::thread thread_;
    std::atomic<int> identified_{0};
    std::atomic<int> requests_{0};
};

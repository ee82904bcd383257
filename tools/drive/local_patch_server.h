// A stand-in for the patch information web server, run on a thread of the
// test or demo process: it answers the program's GET as told (any status,
// body and portioning, slowly, or not at all) and keeps every request it saw.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Where the test and demo builds download the patch table from
// (KESTRELCUE_PATCH_HOST and KESTRELCUE_PATCH_PORT of the test preset).
constexpr unsigned short kLocalPatchServerPort = 18080;

// How the server answers each request.
struct PatchAnswer {
    int status = 200;
    std::string body;
    // The body goes out in sends of these sizes, each followed by the pause;
    // whatever is left goes out in one last send.
    std::vector<size_t> portions;
    DWORD pauseAfterPortionMs = 0;
    // Time between reading the request and answering it.
    DWORD delayBeforeAnswerMs = 0;
    // Reads the request, then drops the connection without a byte of answer.
    bool closeWithoutAnswer = false;
    // Closes the server's side of the connection in good order after this
    // many body bytes, although the head announced the whole body; npos
    // sends it all.
    size_t closeAfterBodyBytes = std::string::npos;
    // Header lines sent after the status line (each ending in CRLF), such
    // as a Location.
    std::string extraHeaders;
};

// Status 200 with the document as its body.
PatchAnswer DocumentAnswer(const std::string& document);

// The repository's sample StarInfoData document (samples/StarInfoData.xml,
// copied beside the executables by the build): its first Patch holds the
// simulated game's flag address.
std::string SamplePatchDocument();

// One request as it reached the server.
struct SeenRequest {
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;  // in order, names as sent
    std::string bytesAfterHead;  // a request body (whole, as its Content-Length says) or anything else sent after the head

    // How often the header occurs and its first value ("" when absent); the
    // name is compared without regard to letter case.
    size_t HeaderCount(const std::string& name) const;
    std::string Header(const std::string& name) const;
};

class LocalPatchServer {
public:
    // Any other loopback port serves as well, for a stand-in of another
    // web server (a webhook's).
    explicit LocalPatchServer(PatchAnswer answer = DocumentAnswer(SamplePatchDocument()),
                              unsigned short port = kLocalPatchServerPort);
    ~LocalPatchServer();
    LocalPatchServer(const LocalPatchServer&) = delete;
    LocalPatchServer& operator=(const LocalPatchServer&) = delete;

    // Listens on 127.0.0.1 at kLocalPatchServerPort, waiting a while for the
    // port if an earlier server still holds it. False when it never got it.
    bool Start();
    void Stop();

    // While held, requests are read and recorded but not answered, so a test
    // can look at the program while its download waits.
    void HoldAnswers();
    void ReleaseAnswers();

    std::vector<SeenRequest> Requests() const;
    bool WaitForRequests(size_t count, DWORD timeoutMs = 15000) const;
    // Whether the client has closed the connection of request `index` (the
    // server closes only after the client, unless it is told to drop it).
    bool IsClosedByClient(size_t index) const;
    bool WaitForClientClose(size_t index, DWORD timeoutMs = 15000) const;

private:
    struct Connection {
        SeenRequest request;
        bool closedByClient = false;
    };

    void Serve();
    void Answer(SOCKET client);
    bool ReadRequestHead(SOCKET client, SeenRequest* request);
    bool SendAnswer(SOCKET client);
    void WaitForClientToClose(SOCKET client, size_t index);
    bool IsStopping() const;
    bool PauseUnlessStopping(DWORD ms) const;
    bool WaitForRelease() const;

    PatchAnswer answer_;
    unsigned short port_;
    SOCKET listener_ = INVALID_SOCKET;
    HANDLE stop_ = nullptr;
    HANDLE released_ = nullptr;  // set while answers may go out
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Connection> connections_;
    bool winsockStarted_ = false;
};

// HTTP spoken by hand over a plain TCP socket, for what WinHTTP does not
// show a test: how a stream ended (closed, reset, or still open and silent),
// answers sent back to back on one connection, and HTTP/1.0.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

enum class StreamEnd { StillOpen, Closed, Reset, Failed };

struct RawAnswer {
    std::string head;  // the status line and header lines, without the blank line
    std::string body;  // as much of it as came
    int status = 0;
    size_t contentLength = 0;
    bool complete = false;  // the head and every body byte it announced came

    // The first value of a header ("" when absent), the name compared
    // without regard to letter case.
    std::string Header(const std::string& name) const;
};

// "GET path version" with a Host header and the extra header lines given
// (each ending in CRLF).
std::string RawGetRequest(const std::string& path, const std::string& version = "HTTP/1.1",
                          const std::string& extraHeaders = "");

class RawHttpConnection {
public:
    RawHttpConnection();
    ~RawHttpConnection();
    RawHttpConnection(const RawHttpConnection&) = delete;
    RawHttpConnection& operator=(const RawHttpConnection&) = delete;

    // 0, or the Winsock error (WSAECONNREFUSED when nothing listens).
    int Connect(unsigned short port);
    bool Send(const std::string& bytes);
    // Reads one answer (the head and a Content-Length body). StillOpen once
    // it is complete, or when nothing came for quietMs (then it is not);
    // otherwise how the stream ended first.
    StreamEnd ReadAnswer(RawAnswer* answer, DWORD quietMs);
    // Waits for the end of the stream: StillOpen when nothing came for
    // quietMs. Bytes that come meanwhile go to *more.
    StreamEnd WaitForEnd(DWORD quietMs, std::string* more);

private:
    // Whether the stream that has just ended was closed or reset.
    StreamEnd EndOfStream();
    // Appends what comes to pending_; StillOpen after some bytes or quietMs.
    StreamEnd ReceiveSome(DWORD quietMs, bool* gotBytes);

    SOCKET socket_ = INVALID_SOCKET;
    std::string pending_;
    bool winsockStarted_ = false;
};

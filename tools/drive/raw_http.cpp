// A client that parses no more than it must, so a test sees each byte the
// server sent and how its stream ended.
#include "drive/raw_http.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr size_t kReceiveChunkBytes = 65536;

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Fills the answer from the bytes; true when they hold all of it, and then
// *used says how many bytes it took.
bool ParseAnswer(const std::string& bytes, RawAnswer* answer, size_t* used)
{
    const size_t headEnd = bytes.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
        *answer = RawAnswer();
        return false;
    }
    answer->head = bytes.substr(0, headEnd);
    answer->status = std::atoi(answer->head.c_str() + std::min<size_t>(answer->head.size(), 9));
    answer->contentLength = size_t(std::strtoull(answer->Header("Content-Length").c_str(), nullptr, 10));
    const size_t bodyStart = headEnd + 4;
    const size_t available = bytes.size() - bodyStart;
    answer->complete = available >= answer->contentLength;
    answer->body = bytes.substr(bodyStart, answer->complete ? answer->contentLength : available);
    *used = bodyStart + answer->body.size();
    return answer->complete;
}

} // namespace

std::string RawAnswer::Header(const std::string& name) const
{
    const std::string wanted = "\r\n" + Lowered(name) + ":";
    const std::string lowered = Lowered(head);
    const size_t at = lowered.find(wanted);
    if (at == std::string::npos)
        return "";
    const size_t valueStart = head.find_first_not_of(" \t", at + wanted.size());
    if (valueStart == std::string::npos)
        return "";
    const size_t valueEnd = head.find("\r\n", valueStart);
    return head.substr(valueStart, valueEnd == std::string::npos ? std::string::npos : valueEnd - valueStart);
}

std::string RawGetRequest(const std::string& path, const std::string& version, const std::string& extraHeaders)
{
    return "GET " + path + " " + version + "\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n";
}

RawHttpConnection::RawHttpConnection()
{
    WSADATA winsock;
    winsockStarted_ = WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
}

RawHttpConnection::~RawHttpConnection()
{
    if (socket_ != INVALID_SOCKET)
        closesocket(socket_);
    if (winsockStarted_)
        WSACleanup();
}

int RawHttpConnection::Connect(unsigned short port)
{
    if (socket_ != INVALID_SOCKET)
        closesocket(socket_);
    pending_.clear();
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET)
        return WSAGetLastError();
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return 0;
    const int error = WSAGetLastError();
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return error;
}

bool RawHttpConnection::Send(const std::string& bytes)
{
    size_t sent = 0;
    while (socket_ != INVALID_SOCKET && sent < bytes.size()) {
        const int now = send(socket_, bytes.data() + sent, int(bytes.size() - sent), 0);
        if (now <= 0)
            return false;
        sent += size_t(now);
    }
    return socket_ != INVALID_SOCKET;
}

StreamEnd RawHttpConnection::EndOfStream()
{
    // Under Wine 8 a reset reads as a clean end (recv gives 0, not
    // WSAECONNRESET). A send tells them apart: after a reset it fails at
    // once, after a close the first one is still taken. The stream has
    // ended either way, so the byte sent matters to no one.
    return send(socket_, "\n", 1, 0) < 0 ? StreamEnd::Reset : StreamEnd::Closed;
}

StreamEnd RawHttpConnection::ReceiveSome(DWORD quietMs, bool* gotBytes)
{
    *gotBytes = false;
    if (socket_ == INVALID_SOCKET)
        return StreamEnd::Failed;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval timeout = {long(quietMs / 1000), long((quietMs % 1000) * 1000)};
    const int ready = select(0, &readable, nullptr, nullptr, &timeout);
    if (ready == 0)
        return StreamEnd::StillOpen;
    if (ready < 0)
        return StreamEnd::Failed;
    char chunk[kReceiveChunkBytes];
    const int got = recv(socket_, chunk, int(sizeof chunk), 0);
    if (got == 0)
        return EndOfStream();
    if (got < 0)
        return WSAGetLastError() == WSAECONNRESET ? StreamEnd::Reset : StreamEnd::Failed;
    pending_.append(chunk, size_t(got));
    *gotBytes = true;
    return StreamEnd::StillOpen;
}

StreamEnd RawHttpConnection::ReadAnswer(RawAnswer* answer, DWORD quietMs)
{
    for (;;) {
        size_t used = 0;
        if (ParseAnswer(pending_, answer, &used)) {
            pending_.erase(0, used);
            return StreamEnd::StillOpen;
        }
        bool gotBytes = false;
        const StreamEnd end = ReceiveSome(quietMs, &gotBytes);
        if (end != StreamEnd::StillOpen || !gotBytes) {
            ParseAnswer(pending_, answer, &used);
            pending_.erase(0, used);
            return end;
        }
    }
}

StreamEnd RawHttpConnection::WaitForEnd(DWORD quietMs, std::string* more)
{
    for (;;) {
        bool gotBytes = false;
        const StreamEnd end = ReceiveSome(quietMs, &gotBytes);
        more->append(pending_);
        pending_.clear();
        if (end != StreamEnd::StillOpen || !gotBytes)
            return end;
    }
}

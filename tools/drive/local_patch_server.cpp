#include "drive/local_patch_server.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "drive/child_process.h"
#include "drive/loopback_server_socket.h"

namespace {

constexpr DWORD kPollMs = 100;
constexpr DWORD kPortWaitMs = 30000;
// Enough for any request head WinHTTP sends; more is not read.
constexpr size_t kRequestHeadBytes = 65536;
constexpr size_t kReceiveChunkBytes = 4096;
constexpr DWORD kFileChunkBytes = 4096;

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default:  return "Status";
    }
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void ParseRequestHead(const std::string& head, SeenRequest* request)
{
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t firstSpace = requestLine.find(' ');
    const size_t lastSpace = requestLine.rfind(' ');
    request->method = requestLine.substr(0, firstSpace);
    if (firstSpace != std::string::npos && lastSpace > firstSpace) {
        request->target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
        request->version = requestLine.substr(lastSpace + 1);
    }
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (line.empty() || colon == std::string::npos)
            continue;
        request->headers.emplace_back(line.substr(0, colon), Trimmed(line.substr(colon + 1)));
    }
}

} // namespace

PatchAnswer DocumentAnswer(const std::string& document)
{
    PatchAnswer answer;
    answer.body = document;
    return answer;
}

std::string SamplePatchDocument()
{
    std::string document;
    HANDLE file = CreateFileW(BinaryPath(L"StarInfoData.xml").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return document;
    char chunk[kFileChunkBytes];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        document.append(chunk, got);
    CloseHandle(file);
    return document;
}

size_t SeenRequest::HeaderCount(const std::string& name) const
{
    size_t count = 0;
    for (const auto& header : headers)
        if (EqualIgnoringCase(header.first, name))
            ++count;
    return count;
}

std::string SeenRequest::Header(const std::string& name) const
{
    for (const auto& header : headers)
        if (EqualIgnoringCase(header.first, name))
            return header.second;
    return "";
}

LocalPatchServer::LocalPatchServer(PatchAnswer answer, unsigned short port)
    : answer_(std::move(answer)), port_(port), released_(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
}

LocalPatchServer::~LocalPatchServer()
{
    Stop();
    CloseHandle(released_);
}

void LocalPatchServer::HoldAnswers()
{
    ResetEvent(released_);
}

void LocalPatchServer::ReleaseAnswers()
{
    SetEvent(released_);
}

bool LocalPatchServer::Start()
{
    if (thread_.joinable())
        return true;
    WSADATA winsock;
    if (!winsockStarted_ && WSAStartup(MAKEWORD(2, 2), &winsock) == 0)
        winsockStarted_ = true;
    listener_ = ListenOnLoopback(port_, kPortWaitMs);
    if (listener_ == INVALID_SOCKET)
        return false;
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void LocalPatchServer::Stop()
{
    if (thread_.joinable()) {
        SetEvent(stop_);
        thread_.join();
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (stop_ != nullptr) {
        CloseHandle(stop_);
        stop_ = nullptr;
    }
    if (winsockStarted_) {
        WSACleanup();
        winsockStarted_ = false;
    }
}

std::vector<SeenRequest> LocalPatchServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SeenRequest> requests;
    for (const Connection& connection : connections_)
        requests.push_back(connection.request);
    return requests;
}

bool LocalPatchServer::WaitForRequests(size_t count, DWORD timeoutMs) const
{
    return WaitUntil([&] {
        std::lock_guard<std::mutex> lock(mutex_);
        return connections_.size() >= count;
    }, timeoutMs);
}

bool LocalPatchServer::IsClosedByClient(size_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return index < connections_.size() && connections_[index].closedByClient;
}

bool LocalPatchServer::WaitForClientClose(size_t index, DWORD timeoutMs) const
{
    return WaitUntil([&] { return IsClosedByClient(index); }, timeoutMs);
}

bool LocalPatchServer::IsStopping() const
{
    return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0;
}

bool LocalPatchServer::PauseUnlessStopping(DWORD ms) const
{
    return WaitForSingleObject(stop_, ms) != WAIT_OBJECT_0;
}

bool LocalPatchServer::WaitForRelease() const
{
    HANDLE events[] = {stop_, released_};
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

void LocalPatchServer::Serve()
{
    while (!IsStopping()) {
        if (!WaitReadable(listener_, kPollMs))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client != INVALID_SOCKET)
            Answer(client);
    }
}

void LocalPatchServer::Answer(SOCKET client)
{
    SeenRequest request;
    if (!ReadRequestHead(client, &request)) {
        DropConnection(client);
        return;
    }
    size_t index = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = connections_.size();
        connections_.push_back({request, false});
    }
    if (!WaitForRelease() || answer_.closeWithoutAnswer || !PauseUnlessStopping(answer_.delayBeforeAnswerMs) ||
        !SendAnswer(client)) {
        DropConnection(client);
        return;
    }
    WaitForClientToClose(client, index);
}

bool LocalPatchServer::ReadRequestHead(SOCKET client, SeenRequest* request)
{
    std::string received;
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos && received.size() < kRequestHeadBytes) {
        if (IsStopping())
            return false;
        if (!WaitReadable(client, kPollMs))
            continue;
        char chunk[kReceiveChunkBytes];
        const int got = recv(client, chunk, int(sizeof chunk), 0);
        if (got <= 0)
            return false;
        received.append(chunk, size_t(got));
        headEnd = received.find("\r\n\r\n");
    }
    if (headEnd == std::string::npos)
        return false;
    ParseRequestHead(received.substr(0, headEnd + 2), request);
    // A body announced by its length is read whole (as far as the head's bound).
    const size_t bodyBytes = std::min<size_t>(std::strtoul(request->Header("Content-Length").c_str(), nullptr, 10),
                                              kRequestHeadBytes);
    while (received.size() - (headEnd + 4) < bodyBytes) {
        if (IsStopping())
            return false;
        if (!WaitReadable(client, kPollMs))
            continue;
        char chunk[kReceiveChunkBytes];
        const int got = recv(client, chunk, int(sizeof chunk), 0);
        if (got <= 0)
            break;
        received.append(chunk, size_t(got));
    }
    request->bytesAfterHead = received.substr(headEnd + 4);
    return true;
}

bool LocalPatchServer::SendAnswer(SOCKET client)
{
    std::string head = "HTTP/1.1 " + std::to_string(answer_.status) + " " + ReasonPhrase(answer_.status) + "\r\n";
    head += "Content-Type: text/xml\r\n" + answer_.extraHeaders;
    head += "Content-Length: " + std::to_string(answer_.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (!SendAll(client, head.data(), head.size()))
        return false;
    const std::string& body = answer_.body;
    const size_t bodyBytes = std::min(body.size(), answer_.closeAfterBodyBytes);
    size_t sent = 0;
    for (size_t portion : answer_.portions) {
        const size_t count = std::min(portion, bodyBytes - sent);
        if (!SendAll(client, body.data() + sent, count) || !PauseUnlessStopping(answer_.pauseAfterPortionMs))
            return false;
        sent += count;
    }
    if (!SendAll(client, body.data() + sent, bodyBytes - sent))
        return false;
    // A cut made in good order (no reset), so the client sees the end of
    // the stream after every byte sent rather than losing some to a reset.
    if (bodyBytes < body.size())
        shutdown(client, SD_SEND);
    return true;
}

// The client closes first, so the port is not held after the test.
void LocalPatchServer::WaitForClientToClose(SOCKET client, size_t index)
{
    for (;;) {
        if (IsStopping()) {
            DropConnection(client);
            return;
        }
        if (!WaitReadable(client, kPollMs))
            continue;
        char chunk[kReceiveChunkBytes];
        if (recv(client, chunk, int(sizeof chunk), 0) <= 0)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connections_[index].closedByClient = true;
    }
    closesocket(client);
}

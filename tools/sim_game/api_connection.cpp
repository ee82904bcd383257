// One connection to the simulated client API: requests one after another on
// the same socket (the product keeps one connection for its whole run), each
// answered from the screen and the faults in force when it arrived.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "sim_game/api_server.h"
#include "sim_game/http_request.h"

namespace {

// Enough for any head WinHTTP sends; a longer one is refused.
constexpr size_t kRequestHeadBytes = 16384;
constexpr size_t kReceiveChunkBytes = 4096;
constexpr size_t kSendChunkBytes = 65536;
// Every wait is cut into steps this long, so a closed API is noticed.
constexpr DWORD kPollMs = 50;
// Time for the part of a body sent before a reset to reach the client
// rather than be thrown away with the reset.
constexpr DWORD kBeforeResetMs = 100;
// After "Connection: close" the client is given this long to close its side.
constexpr DWORD kCloseWaitMs = 2000;

constexpr char kJsonType[] = "application/json";
constexpr char kTextType[] = "text/plain";
constexpr char kGarbageBody[] = "<html><body>Please wait while the game client starts...</body></html>\n";

struct Link {
    SOCKET socket;
    unsigned epoch;        // CloseEpoch() when the connection was accepted
    unsigned serial;       // which connection since the game started, from 1
    unsigned requests;     // requests answered so far
    std::string pending;   // bytes read past the last request
};

enum class Ending { KeepServing, ClientClosed, CloseAfterAnswer, Reset };

struct Answer {
    int status = 200;
    const char* contentType = kJsonType;
    std::string body;
    const char* extraHeader = nullptr;  // a whole line with its CRLF
    std::string location;               // where a redirect sends the client
};

bool IsApiClosedSince(const Link& link)
{
    return CloseEpoch() != link.epoch;
}

// Waits for the socket to become readable or writable; false when the API
// closed first.
bool WaitForSocket(const Link& link, bool forWriting)
{
    for (;;) {
        if (IsApiClosedSince(link))
            return false;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(link.socket, &set);
        timeval timeout = {0, long(kPollMs * 1000)};
        const int ready = forWriting ? select(0, nullptr, &set, nullptr, &timeout)
                                     : select(0, &set, nullptr, nullptr, &timeout);
        if (ready != 0)
            return ready > 0 || !IsApiClosedSince(link);
    }
}

bool PauseUnlessClosed(const Link& link, DWORD ms)
{
    // One tick more: the tick count is whole milliseconds, so the pause is
    // never shorter than asked.
    const ULONGLONG end = GetTickCount64() + ms + 1;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        if (IsApiClosedSince(link))
            return false;
        Sleep(DWORD(std::min<ULONGLONG>(kPollMs, end - now)));
    }
    return !IsApiClosedSince(link);
}

bool SendAll(const Link& link, const char* bytes, size_t count)
{
    while (count > 0) {
        if (!WaitForSocket(link, true))
            return false;
        const int sent = send(link.socket, bytes, int(std::min(count, kSendChunkBytes)), 0);
        if (sent <= 0)
            return false;
        bytes += sent;
        count -= size_t(sent);
    }
    return true;
}

// Reads into link.pending; false when the client closed or the API did.
bool ReceiveMore(Link* link)
{
    if (!WaitForSocket(*link, false))
        return false;
    char chunk[kReceiveChunkBytes];
    const int got = recv(link->socket, chunk, int(sizeof chunk), 0);
    if (got <= 0)
        return false;
    link->pending.append(chunk, size_t(got));
    return true;
}

enum class ReadResult { Request, Ended, Refused };

ReadResult ReadRequest(Link* link, HttpRequest* request)
{
    size_t headEnd;
    while ((headEnd = link->pending.find("\r\n\r\n")) == std::string::npos) {
        if (link->pending.size() > kRequestHeadBytes)
            return ReadResult::Refused;
        if (!ReceiveMore(link))
            return ReadResult::Ended;
    }
    if (!ParseRequestHead(link->pending.substr(0, headEnd), request) || request->chunked)
        return ReadResult::Refused;
    link->pending.erase(0, headEnd + 4);
    // A request body is read and dropped, so the next request starts where it should.
    size_t bodyLeft = request->contentLength;
    for (;;) {
        const size_t dropped = std::min(bodyLeft, link->pending.size());
        link->pending.erase(0, dropped);
        bodyLeft -= dropped;
        if (bodyLeft == 0)
            return ReadResult::Request;
        if (!ReceiveMore(link))
            return ReadResult::Ended;
    }
}

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 302: return "Found";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Simulated";
    }
}

Answer TextAnswer(int status, const std::string& text)
{
    Answer answer;
    answer.status = status;
    answer.contentType = kTextType;
    answer.body = text;
    return answer;
}

Answer RegularAnswer(const HttpRequest& request, const GameView& view)
{
    if (request.method != "GET") {
        Answer answer = TextAnswer(405, "Only GET is served.\n");
        answer.extraHeader = "Allow: GET\r\n";
        return answer;
    }
    Answer answer;
    if (request.path == "/ui")
        answer.body = UiBody(view.screen);
    else if (request.path == "/game")
        answer.body = GameBody(view.record, GetTickCount64());
    else
        answer = TextAnswer(404, "Not found.\n");
    return answer;
}

Answer FaultyAnswer(const HttpRequest& request, const AnswerContext& context)
{
    if (request.path == "/game" && context.faults.gameBroken == 1)
        return TextAnswer(500, "Simulated status 500 of /game.\n");
    if (request.path == "/game" && context.faults.gameBroken == 2) {
        Answer answer;
        answer.contentType = "text/html";
        answer.body = kGarbageBody;
        return answer;
    }
    switch (context.faults.answer) {
    case AnswerFault::Status:
        return TextAnswer(context.faults.status, "Simulated status " + std::to_string(context.faults.status) + ".\n");
    case AnswerFault::Garbage: {
        Answer answer;
        answer.contentType = "text/html";
        answer.body = kGarbageBody;
        return answer;
    }
    case AnswerFault::Oversized: {
        Answer answer;
        answer.body = OversizedBody(request.path, kSimApiOversizedBodyBytes);
        return answer;
    }
    case AnswerFault::Redirect: {
        Answer answer = TextAnswer(302, "Moved.\n");
        answer.location = "http://127.0.0.1:" + std::to_string(context.faults.redirectPort) + request.path;
        return answer;
    }
    case AnswerFault::ControlBytes: {
        Answer answer = RegularAnswer(request, context.view);
        answer.body = "\x01\x02\x03" + answer.body;
        return answer;
    }
    case AnswerFault::None:
    case AnswerFault::Reset:
    case AnswerFault::HalfThenHang:
    case AnswerFault::Chunked:
        break;
    }
    return RegularAnswer(request, context.view);
}

// The body cut in chunks of a few bytes, as a server that streams its
// answer would send it.
std::string Chunked(const std::string& body)
{
    constexpr size_t kChunkBytes = 7;
    std::string framed;
    for (size_t at = 0; at < body.size(); at += kChunkBytes) {
        const std::string chunk = body.substr(at, kChunkBytes);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
        framed += size + chunk + "\r\n";
    }
    return framed + "0\r\n\r\n";
}

std::string AnswerHead(const Answer& answer, bool keepAlive, const Link& link, bool chunked = false)
{
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + ReasonPhrase(answer.status) + "\r\n";
    head += std::string("Content-Type: ") + answer.contentType + "\r\n";
    head += chunked ? std::string("Transfer-Encoding: chunked\r\n")
                    : "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    head += std::string(kSimProcessHeader) + ": " + std::to_string(GetCurrentProcessId()) + "\r\n";
    head += std::string(kSimConnectionHeader) + ": " + std::to_string(link.serial) + "\r\n";
    head += std::string(kSimRequestHeader) + ": " + std::to_string(link.requests) + "\r\n";
    if (answer.extraHeader != nullptr)
        head += answer.extraHeader;
    if (!answer.location.empty())
        head += "Location: " + answer.location + "\r\n";
    return head + "\r\n";
}

// Waits until the client closes its side; false when the API closed first.
bool WaitForClientToClose(Link* link, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (!WaitForSocket(*link, false))
            return false;
        char chunk[kReceiveChunkBytes];
        if (recv(link->socket, chunk, int(sizeof chunk), 0) <= 0)
            return true;
    }
    return false;
}

Ending AnswerRequest(Link* link, const HttpRequest& request)
{
    ++link->requests;
    const ApiFaults faults = CurrentAnswerContext().faults;
    if (faults.slowMs > 0 && !PauseUnlessClosed(*link, faults.slowMs))
        return Ending::Reset;
    if (request.path == "/game" && faults.gameSlowMs > 0 && !PauseUnlessClosed(*link, faults.gameSlowMs))
        return Ending::Reset;
    // The screen as it is when the answer goes out; the faults as they were
    // when the request came.
    AnswerContext context = CurrentAnswerContext();
    context.faults = faults;
    const Answer answer = FaultyAnswer(request, context);
    const bool chunked = faults.answer == AnswerFault::Chunked;
    const std::string head = AnswerHead(answer, request.keepAlive, *link, chunked);
    if (faults.answer == AnswerFault::Reset || faults.answer == AnswerFault::HalfThenHang) {
        const size_t part = std::max<size_t>(1, answer.body.size() / 2);
        const std::string sent = head + answer.body.substr(0, part);
        if (!SendAll(*link, sent.data(), sent.size()))
            return Ending::Reset;
        if (faults.answer == AnswerFault::Reset) {
            PauseUnlessClosed(*link, kBeforeResetMs);
            return Ending::Reset;
        }
        // Silence until the client gives up or the game goes away.
        return WaitForClientToClose(link, INFINITE) ? Ending::ClientClosed : Ending::Reset;
    }
    // Head and body in one send: in two, the body would wait for the
    // client's delayed acknowledgement of the head.
    const std::string whole = head + (chunked ? Chunked(answer.body) : answer.body);
    if (!SendAll(*link, whole.data(), whole.size()))
        return Ending::Reset;
    return request.keepAlive ? Ending::KeepServing : Ending::CloseAfterAnswer;
}

Ending ServeRequests(Link* link)
{
    for (;;) {
        HttpRequest request;
        switch (ReadRequest(link, &request)) {
        case ReadResult::Ended:
            return IsApiClosedSince(*link) ? Ending::Reset : Ending::ClientClosed;
        case ReadResult::Refused: {
            ++link->requests;
            const Answer answer = TextAnswer(400, "Bad request.\n");
            const std::string bytes = AnswerHead(answer, false, *link) + answer.body;
            return SendAll(*link, bytes.data(), bytes.size()) ? Ending::CloseAfterAnswer : Ending::Reset;
        }
        case ReadResult::Request:
            break;
        }
        const Ending ending = AnswerRequest(link, request);
        if (ending != Ending::KeepServing)
            return ending;
    }
}

} // namespace

void ServeConnection(SOCKET client, unsigned serial)
{
    // Answers are small and each is awaited: nothing is gained by holding
    // bytes back for a fuller segment.
    BOOL noDelay = TRUE;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    Link link = {client, CloseEpoch(), serial, 0, std::string()};
    switch (ServeRequests(&link)) {
    case Ending::KeepServing:
    case Ending::ClientClosed:
        closesocket(client);
        break;
    case Ending::CloseAfterAnswer:
        // The client is told by the end of the stream, then given time to
        // close its side before the socket goes.
        shutdown(client, SD_SEND);
        if (WaitForClientToClose(&link, kCloseWaitMs)) {
            closesocket(client);
            break;
        }
        [[fallthrough]];
    case Ending::Reset: {
        linger abort = {1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        closesocket(client);
        break;
    }
    }
    ConnectionEnded();
}

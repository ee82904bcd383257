#include "overlay/overlay_server.h"

#include <winsock2.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "app/app_state.h"
#include "overlay/match_state.h"
#include "overlay/overlay_page.h"
#include "settings/settings.h"
#include "status/status_line.h"

namespace {

// At most this many clients at once; one more is answered 503 and closed.
constexpr size_t kMostClients = 16;
// A request line and its headers, the blank line included.
constexpr size_t kRequestHeadBytes = 8192;
// A client that has not sent its whole request in this time, or has not
// taken what it was sent, is dropped.
constexpr ULONGLONG kRequestWaitMs = 5000;
constexpr ULONGLONG kSendWaitMs = 5000;
// The most a client may leave unread before it is dropped.
constexpr size_t kMostUnsentBytes = 256 * 1024;
// How often the server looks for a change of the match and for Stop.
constexpr long kLoopMs = 15;
// How often a port taken by another program is tried again. It is said
// once a Start, when the first of these tries fails too: said at the first
// try, the Start's own texts, which come just after, would cover it at
// once; said at every try, it would cover the switches' texts.
constexpr DWORD kRetryListenMs = 2000;
// How long Stop waits for the server's thread to close its sockets.
constexpr DWORD kStopWaitMs = 1000;

struct Client {
    SOCKET socket;
    char head[kRequestHeadBytes];
    size_t headBytes;
    ULONGLONG since;         // when it connected
    std::string unsent;      // what it has not taken yet
    ULONGLONG unsentSince;   // when `unsent` last went from empty to something; 0: empty
    bool events;             // it follows /events
    bool closeWhenSent;
};

struct Server {
    SOCKET listener;
    DWORD port;
    Client clients[kMostClients];
    size_t clientCount;
    unsigned sentChange;
    std::string json;
};

// What the server's thread is given at its start, and frees as it ends.
// (cppcheck does not follow it through the thread's parameter.)
struct ServerStart {
    // cppcheck-suppress unusedStructMember
    DWORD port;
    // cppcheck-suppress unusedStructMember
    HANDLE stop;  // the UI thread's; the server's thread only waits on it
};

HANDLE g_thread;  // UI thread's
HANDLE g_stop;    // UI thread's

void CloseClient(Server* server, size_t index)
{
    closesocket(server->clients[index].socket);
    server->clients[index] = std::move(server->clients[server->clientCount - 1]);
    server->clients[server->clientCount - 1] = Client{};
    --server->clientCount;
}

void Queue(Client* client, const std::string& bytes)
{
    if (client->unsent.empty())
        client->unsentSince = GetTickCount64();
    client->unsent += bytes;
}

std::string Answer(const char* status, const char* type, const std::string& body)
{
    char head[256];
    std::snprintf(head, sizeof head,
                  "HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\nCache-Control: no-store\r\n"
                  "Connection: close\r\n\r\n",
                  status, type, body.size());
    return head + body;
}

std::string EventOf(const std::string& json)
{
    return "event: state\ndata: " + json + "\n\n";
}

bool EqualsIgnoringCase(const std::string& a, const char* b)
{
    const size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Whether the Host header names this server as only a page of this
// computer's can: a page elsewhere that renames its host to 127.0.0.1
// still sends its own name here.
bool IsHostOurs(const std::string& head, DWORD port)
{
    size_t at = head.find("\r\n");
    while (at != std::string::npos && at + 2 < head.size()) {
        const size_t start = at + 2;
        const size_t end = head.find("\r\n", start);
        if (end == std::string::npos)
            break;
        const std::string line = head.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && EqualsIgnoringCase(line.substr(0, colon), "host")) {
            size_t first = colon + 1;
            while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
                ++first;
            size_t last = line.size();
            while (last > first && (line[last - 1] == ' ' || line[last - 1] == '\t'))
                --last;
            const std::string host = line.substr(first, last - first);
            const std::string portText = ":" + std::to_string(port);
            return EqualsIgnoringCase(host, ("127.0.0.1" + portText).c_str()) ||
                   EqualsIgnoringCase(host, ("localhost" + portText).c_str());
        }
        at = end;
    }
    return false;
}

// The request is whole in `client->head`: the answer queued.
void AnswerRequest(Server* server, Client* client)
{
    const std::string head(client->head, client->headBytes);
    const std::string line = head.substr(0, head.find("\r\n"));
    const size_t space = line.find(' ');
    const size_t secondSpace = space == std::string::npos ? std::string::npos : line.find(' ', space + 1);
    client->closeWhenSent = true;
    if (secondSpace == std::string::npos) {
        Queue(client, Answer("400 Bad Request", "text/plain", "Bad request\n"));
        return;
    }
    const std::string method = line.substr(0, space);
    std::string path = line.substr(space + 1, secondSpace - space - 1);
    const size_t query = path.find('?');
    if (query != std::string::npos)
        path.resize(query);
    const bool known = path == "/" || path == "/state" || path == "/events";
    if (!known) {
        Queue(client, Answer("404 Not Found", "text/plain", "Not found\n"));
        return;
    }
    if (method != "GET") {
        Queue(client, Answer("405 Method Not Allowed", "text/plain", "Only GET\n"));
        return;
    }
    if (!IsHostOurs(head, server->port)) {
        Queue(client, Answer("403 Forbidden", "text/plain", "Forbidden\n"));
        return;
    }
    if (path == "/state") {
        Queue(client, Answer("200 OK", "application/json; charset=utf-8", server->json));
    } else if (path == "/") {
        Queue(client, Answer("200 OK", "text/html; charset=utf-8", kOverlayPage));
    } else {
        client->events = true;
        client->closeWhenSent = false;
        Queue(client, "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                      "Connection: keep-alive\r\n\r\nretry: 1000\n\n" + EventOf(server->json));
    }
}

// False when the client is to be dropped.
bool ReadFromClient(Server* server, Client* client)
{
    // Whatever a client sends after its request is read and let go.
    const bool answered = client->events || client->closeWhenSent;
    char discarded[512];
    char* into = answered ? discarded : client->head + client->headBytes;
    const int room = answered ? int(sizeof discarded) : int(sizeof client->head - client->headBytes);
    const int got = recv(client->socket, into, room, 0);
    if (got < 0)
        return WSAGetLastError() == WSAEWOULDBLOCK;
    if (got == 0)
        return answered && !client->unsent.empty() && !client->events;
    if (answered)
        return true;
    client->headBytes += size_t(got);
    const std::string head(client->head, client->headBytes);
    if (head.find("\r\n\r\n") != std::string::npos) {
        AnswerRequest(server, client);
    } else if (client->headBytes == sizeof client->head) {
        Queue(client, Answer("431 Request Header Fields Too Large", "text/plain", "Too large\n"));
        client->closeWhenSent = true;
    }
    return true;
}

// False when the client is to be dropped.
bool SendToClient(Client* client)
{
    if (!client->unsent.empty()) {
        const int sent = send(client->socket, client->unsent.data(), int(client->unsent.size()), 0);
        if (sent < 0)
            return WSAGetLastError() == WSAEWOULDBLOCK;
        client->unsent.erase(0, size_t(sent));
        client->unsentSince = client->unsent.empty() ? 0 : GetTickCount64();
    }
    if (client->unsent.empty() && client->closeWhenSent) {
        shutdown(client->socket, SD_SEND);
        return false;
    }
    return true;
}

bool IsClientStuck(const Client& client, ULONGLONG now)
{
    const bool requestLate = !client.events && !client.closeWhenSent && now - client.since >= kRequestWaitMs;
    const bool unread = client.unsentSince != 0 && now - client.unsentSince >= kSendWaitMs;
    return requestLate || unread || client.unsent.size() > kMostUnsentBytes;
}

void AcceptClient(Server* server)
{
    const SOCKET socket = accept(server->listener, nullptr, nullptr);
    if (socket == INVALID_SOCKET)
        return;
    u_long nonBlocking = 1;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
    if (server->clientCount == kMostClients) {
        const std::string busy = Answer("503 Service Unavailable", "text/plain", "Too many clients\n");
        send(socket, busy.data(), int(busy.size()), 0);
        closesocket(socket);
        return;
    }
    Client& client = server->clients[server->clientCount++];
    client = Client{};
    client.socket = socket;
    client.since = GetTickCount64();
}

void FollowMatch(Server* server)
{
    MatchView view;
    unsigned change = 0;
    TakeMatchView(&view, &change);
    if (change == server->sentChange && !server->json.empty())
        return;
    server->sentChange = change;
    server->json = MatchStateJson(view);
    const std::string event = EventOf(server->json);
    for (size_t i = 0; i < server->clientCount; ++i) {
        if (server->clients[i].events)
            Queue(&server->clients[i], event);
    }
}

void ServeOnce(Server* server)
{
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(server->listener, &readable);
    for (size_t i = 0; i < server->clientCount; ++i) {
        FD_SET(server->clients[i].socket, &readable);
        if (!server->clients[i].unsent.empty())
            FD_SET(server->clients[i].socket, &writable);
    }
    timeval wait = {0, kLoopMs * 1000};
    if (select(0, &readable, &writable, nullptr, &wait) == SOCKET_ERROR)
        return;
    if (FD_ISSET(server->listener, &readable))
        AcceptClient(server);
    const ULONGLONG now = GetTickCount64();
    for (size_t i = server->clientCount; i-- > 0;) {
        Client* client = &server->clients[i];
        bool keep = true;
        if (FD_ISSET(client->socket, &readable))
            keep = ReadFromClient(server, client);
        if (keep)
            keep = SendToClient(client) && !IsClientStuck(*client, now);
        if (!keep)
            CloseClient(server, i);
    }
}

// The listener, or INVALID_SOCKET: the port is taken (or cannot be had).
SOCKET Listen(DWORD port)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return INVALID_SOCKET;
    // No other program may share the port, nor this one steal it.
    BOOL exclusive = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(u_short(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    u_long nonBlocking = 1;
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, SOMAXCONN) != 0 || ioctlsocket(listener, FIONBIO, &nonBlocking) != 0) {
        closesocket(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

void SayPort(const wchar_t* format, DWORD port)
{
    wchar_t status[kStatusChars];
    std::swprintf(status, kStatusChars, format, static_cast<unsigned long>(port));
    SetStatusLine(status);
}

// The listener once the port is free, or INVALID_SOCKET at Stop. Once a
// port in use has been said, so is the listening that follows, so that the
// streamer knows the overlay came after all.
SOCKET ListenOnceFree(DWORD port, HANDLE stop)
{
    SOCKET listener = Listen(port);
    bool said = false;
    while (listener == INVALID_SOCKET && WaitForSingleObject(stop, kRetryListenMs) == WAIT_TIMEOUT) {
        listener = Listen(port);
        if (listener == INVALID_SOCKET && !said) {
            SayPort(L"Error: The overlay cannot listen on port %lu: it is in use.", port);
            said = true;
        }
    }
    if (listener != INVALID_SOCKET && said)
        SayPort(L"The overlay now listens on port %lu.", port);
    return listener;
}

DWORD WINAPI RunOverlayServer(void* parameter)
{
    // cppcheck-suppress unreadVariable ; read below, through its members
    const ServerStart start = *static_cast<ServerStart*>(parameter);
    delete static_cast<ServerStart*>(parameter);
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        return 1;
    // Large enough that no stack holds it.
    // cppcheck-suppress unusedAllocatedMemory ; used and freed below
    Server* server = new (std::nothrow) Server{};
    if (server != nullptr) {
        server->port = start.port;
        server->listener = ListenOnceFree(server->port, start.stop);
        if (server->listener != INVALID_SOCKET) {
            WatchMatch(true);
            while (WaitForSingleObject(start.stop, 0) == WAIT_TIMEOUT) {
                FollowMatch(server);
                ServeOnce(server);
            }
            WatchMatch(false);
            while (server->clientCount > 0)
                CloseClient(server, server->clientCount - 1);
            closesocket(server->listener);
        }
        delete server;
    }
    WSACleanup();
    return 0;
}

} // namespace

bool IsOverlayPortValid(DWORD port)
{
    return port >= kOverlayPortLowest && port <= kOverlayPortHighest;
}

DWORD ReadOverlayPort()
{
    return g_app.OverlayPort;
}

void StoreOverlayPort(DWORD port)
{
    StoreOverlayPortNow(port);
}

void StartOverlayServer()
{
    if (g_thread != nullptr)
        return;
    const DWORD port = ReadOverlayPort();
    if (port == 0)
        return;
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // cppcheck-suppress unreadVariable ; handed to the server's thread, which frees it
    ServerStart* start = g_stop != nullptr ? new (std::nothrow) ServerStart{port, g_stop} : nullptr;
    if (start != nullptr)
        g_thread = CreateThread(nullptr, 0, RunOverlayServer, start, 0, nullptr);
    if (g_thread != nullptr)
        return;
    delete start;
    if (g_stop != nullptr)
        CloseHandle(g_stop);
    g_stop = nullptr;
    SetStatusLine(L"Error: The overlay could not be started.");
}

void StopOverlayServer()
{
    if (g_thread == nullptr)
        return;
    SetEvent(g_stop);
    const bool ended = WaitForSingleObject(g_thread, kStopWaitMs) == WAIT_OBJECT_0;
    CloseHandle(g_thread);
    g_thread = nullptr;
    // A thread that has not ended yet still looks at the event, which
    // stays set for it; the next Start makes another.
    if (ended)
        CloseHandle(g_stop);
    g_stop = nullptr;
}

// GET /ui (and /game when a sample needs it) over one kept-alive TCP
// connection of Winsock's, every wait bounded by the sample's deadline and
// ended at once by Stop.
//
// Not WinHTTP: under Wine its asynchronous mode costs about twice the CPU of
// the same request over a socket (each step a work item on a thread pool
// and a completion callback), which made the client API mode cost two and a
// half times the memory mode's CPU; its synchronous mode does not honour its
// receive time-out there, so a game that never answers would hold the
// worker. The game's answers are small and plain, and the reader in
// watch/http_answer.cpp takes them with every length bounded. No redirect is
// followed, since nothing but a 200 is an answer.
#include "watch/client_api_probe.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

// A connection asked for and not made by then is given up and the host's
// next address asked for: as long as a silent game is waited for.
constexpr DWORD kConnectGiveUpMs = 2000;
// An address looked up by name is looked up again after connections to it
// have failed this long after it was found (the game computer's address
// may have changed).
constexpr ULONGLONG kAddressTrustMs = 30000;
constexpr size_t kRequestBytes = sizeof(ClientApiLink::hostHeader) + 128;

void Disconnect(ClientApiLink* link)
{
    if (link->socket != INVALID_SOCKET)
        closesocket(link->socket);
    link->socket = INVALID_SOCKET;
    link->connecting = false;
    if (link->event != WSA_INVALID_EVENT)
        WSAResetEvent(link->event);
}

// After a connection failed: the next address of the host is tried; once
// each has failed, an address list found long ago is looked up again.
// True when another address of this round is left to try now.
bool MoveToNextAddress(ClientApiLink* link)
{
    if (++link->addressAt < link->addresses.count)
        return true;
    link->addressAt = 0;
    if (GetTickCount64() - link->addressFoundTick >= kAddressTrustMs)
        link->addressKnown = false;
    return false;
}

// True when the socket's event came by the deadline; false at Stop or when
// the time ran out.
bool WaitForSocket(const ClientApiLink& link, ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    const HANDLE waits[] = {link.stop, link.event};
    return WaitForMultipleObjects(2, waits, FALSE, now >= deadline ? 0 : DWORD(deadline - now)) == WAIT_OBJECT_0 + 1;
}

bool StartConnecting(ClientApiLink* link, ULONGLONG deadline)
{
    if (!link->addressKnown) {
        switch (LookUpHost(link->host, link->port, &link->lookup, deadline, link->stop, &link->addresses)) {
        case LookupResult::Found:
            link->addressKnown = true;
            link->addressFoundTick = GetTickCount64();
            link->addressAt = 0;
            break;
        case LookupResult::Pending:
        case LookupResult::Failed:
            return false;
        }
    }
    const HostAddress& address = link->addresses.each[link->addressAt];
    link->socket = socket(address.address.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (link->socket == INVALID_SOCKET)
        return false;
    // Requests are single small sends, each awaited: nothing to gather.
    BOOL noDelay = TRUE;
    setsockopt(link->socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    // The event also makes the socket non-blocking.
    if (WSAEventSelect(link->socket, link->event, FD_CONNECT | FD_READ | FD_CLOSE) == SOCKET_ERROR ||
        (connect(link->socket, reinterpret_cast<const sockaddr*>(&address.address), address.length) == SOCKET_ERROR &&
         WSAGetLastError() != WSAEWOULDBLOCK)) {
        Disconnect(link);
        return false;
    }
    link->connecting = true;
    link->connectStartTick = GetTickCount64();
    return true;
}

// True once connected. A connection under way when the deadline comes is
// waited for again at the next sample, up to kConnectGiveUpMs.
bool Connect(ClientApiLink* link, ULONGLONG deadline)
{
    while (link->socket == INVALID_SOCKET || link->connecting) {
        if (link->socket == INVALID_SOCKET && !StartConnecting(link, deadline)) {
            // No address yet, or this one refused at once: the next is tried now.
            if (link->addressKnown && MoveToNextAddress(link))
                continue;
            return false;
        }
        if (!WaitForSocket(*link, deadline)) {
            if (GetTickCount64() - link->connectStartTick >= kConnectGiveUpMs) {
                Disconnect(link);
                MoveToNextAddress(link);
            }
            return false;
        }
        WSANETWORKEVENTS events = {};
        if (WSAEnumNetworkEvents(link->socket, link->event, &events) == SOCKET_ERROR) {
            Disconnect(link);
            return false;
        }
        if ((events.lNetworkEvents & FD_CONNECT) == 0)
            continue;
        if (events.iErrorCode[FD_CONNECT_BIT] != 0) {
            Disconnect(link);
            if (MoveToNextAddress(link))
                continue;
            return false;
        }
        link->connecting = false;
    }
    return true;
}

// Between answers nothing is to come: a close, or bytes nobody asked for,
// mean the connection is no longer fit for the next request.
bool IsSpoiltWhileIdle(ClientApiLink* link)
{
    WSANETWORKEVENTS events = {};
    return WSAEnumNetworkEvents(link->socket, link->event, &events) == SOCKET_ERROR ||
           (events.lNetworkEvents & (FD_READ | FD_CLOSE)) != 0;
}

bool SendRequest(ClientApiLink* link, const char* path)
{
    char request[kRequestBytes];
    const int length = std::snprintf(request, sizeof request,
                                     "GET %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: Kestrelcue/1.0\r\n"
                                     "Accept: application/json\r\n\r\n",
                                     path, link->hostHeader);
    return length > 0 && size_t(length) < sizeof request &&
           send(link->socket, request, length, 0) == length;
}

// Takes in whatever the socket holds; false on a connection error.
bool TakeInReceived(ClientApiLink* link, bool* closed)
{
    for (;;) {
        const size_t room = sizeof link->received - link->receivedSize;
        if (room == 0)
            return true;
        const int got = recv(link->socket, link->received + link->receivedSize, int(room), 0);
        if (got > 0) {
            link->receivedSize += size_t(got);
            continue;
        }
        if (got == 0) {
            *closed = true;
            return true;
        }
        return WSAGetLastError() == WSAEWOULDBLOCK;
    }
}

// The body's reader: true when the body is such an answer.
using BodyReader = bool (*)(const char* body, size_t size, void* into);

// Waits for the whole answer to the request just sent; its body, when the
// status is 200, goes to `read`.
bool ReceiveAnswer(ClientApiLink* link, ULONGLONG deadline, BodyReader read, void* into)
{
    link->receivedSize = 0;
    bool closed = false;
    for (;;) {
        WSANETWORKEVENTS events = {};
        if (!WaitForSocket(*link, deadline) ||
            WSAEnumNetworkEvents(link->socket, link->event, &events) == SOCKET_ERROR ||
            !TakeInReceived(link, &closed))
            return false;
        closed = closed || (events.lNetworkEvents & FD_CLOSE) != 0;
        HttpAnswer answer = {};
        switch (ReadHttpAnswer(link->received, &link->receivedSize, closed, link->body, &answer)) {
        case HttpReading::Incomplete:
            if (link->receivedSize == sizeof link->received)
                return false;
            continue;
        case HttpReading::Broken:
            return false;
        case HttpReading::Complete:
            // Bytes after the answer would stand in front of the next one.
            if (!answer.keepAlive || closed || answer.length != link->receivedSize)
                Disconnect(link);
            return answer.status == 200 && read(link->body, answer.bodySize, into);
        }
    }
}

// One GET of `path`; false when the game did not answer in time with status
// 200 and a body that `read` takes. A connection left with an answer half
// read is given up, so that its rest never passes for the next answer.
bool Get(ClientApiLink* link, const char* path, ULONGLONG deadline, BodyReader read, void* into)
{
    if (link->event == WSA_INVALID_EVENT)
        return false;
    if (link->socket != INVALID_SOCKET && !link->connecting && IsSpoiltWhileIdle(link))
        Disconnect(link);
    if (!Connect(link, deadline))
        return false;
    if (!SendRequest(link, path)) {
        Disconnect(link);
        return false;
    }
    const bool answered = ReceiveAnswer(link, deadline, read, into);
    if (!answered && link->socket != INVALID_SOCKET)
        Disconnect(link);
    return answered;
}

bool ReadScreensInto(const char* body, size_t size, void* into)
{
    ClientApiScreens* screens = static_cast<ClientApiScreens*>(into);
    *screens = ReadClientApiScreens(body, size);
    return *screens != ClientApiScreens::Unreadable;
}

bool ReadGameInto(const char* body, size_t size, void* into)
{
    return ReadClientApiGame(body, size, static_cast<ClientApiGame*>(into));
}

} // namespace

bool OpenClientApiLink(ClientApiLink* link, const wchar_t* host, unsigned short port, HANDLE stop)
{
    link->event = WSA_INVALID_EVENT;
    const size_t hostLength = wcsnlen(host, kClientApiHostChars - 1);
    std::wmemcpy(link->host, host, hostLength);
    link->host[hostLength] = L'\0';
    link->port = port;
    link->stop = stop;
    link->lookup = nullptr;
    link->addressKnown = false;
    link->addressAt = 0;
    link->socket = INVALID_SOCKET;
    link->connecting = false;
    link->receivedSize = 0;
    // The Host header names the game as it was typed, an IPv6 address in brackets.
    char utf8[sizeof link->hostHeader];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, link->host, -1, utf8, int(sizeof utf8), nullptr, nullptr);
    if (bytes <= 0)
        utf8[0] = '\0';
    const bool bare6 = std::strchr(utf8, ':') != nullptr && utf8[0] != '[';
    std::snprintf(link->hostHeader, sizeof link->hostHeader, bare6 ? "[%s]:%u" : "%s:%u", utf8, unsigned(port));
    link->event = WSACreateEvent();
    return link->event != WSA_INVALID_EVENT;
}

void CloseClientApiLink(ClientApiLink* link)
{
    // A link never opened (the memory was read this run) holds nothing.
    if (link->event == WSA_INVALID_EVENT)
        return;
    Disconnect(link);
    AbandonHostLookup(&link->lookup);
    if (link->event != WSA_INVALID_EVENT)
        WSACloseEvent(link->event);
    link->event = WSA_INVALID_EVENT;
}

ClientApiScreens AskClientApiScreens(ClientApiLink* link, ULONGLONG deadline)
{
    ClientApiScreens screens = ClientApiScreens::Unreadable;
    if (!Get(link, "/ui", deadline, ReadScreensInto, &screens))
        return ClientApiScreens::Unreadable;
    return screens;
}

bool AskClientApiGame(ClientApiLink* link, ULONGLONG deadline, ClientApiGame* game)
{
    return Get(link, "/game", deadline, ReadGameInto, game);
}

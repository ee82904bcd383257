#include "drive/loopback_server_socket.h"

#include "drive/child_process.h"

SOCKET ListenOnLoopback(unsigned short port, DWORD waitMs)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET listener = INVALID_SOCKET;
    // A listen has been seen to fail at once, not after the wait, when the
    // port had been busy moments before: so a failed listen is waited out
    // like a failed bind, on a fresh socket each time.
    WaitUntil([&] {
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener == INVALID_SOCKET)
            return false;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(listener, SOMAXCONN) == 0)
            return true;
        closesocket(listener);
        listener = INVALID_SOCKET;
        return false;
    }, waitMs);
    return listener;
}

namespace {

// True when the socket can be read (or, `forWriting`, take more bytes)
// within `ms`.
bool WaitReady(SOCKET socket, DWORD ms, bool forWriting)
{
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    timeval timeout = {long(ms / 1000), long((ms % 1000) * 1000)};
    return select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, nullptr, &timeout) == 1;
}

} // namespace

bool WaitReadable(SOCKET socket, DWORD ms)
{
    return WaitReady(socket, ms, false);
}

bool SendAll(SOCKET socket, const char* bytes, size_t count)
{
    // Sent without blocking, each stall bounded: under Wine a blocking send
    // that waits for room has been seen never to return once the client
    // had gone (a test hung on a 5 MB answer the program had refused),
    // which would hold the server's thread and the test that stops it.
    constexpr DWORD kStallMs = 10000;
    constexpr DWORD kStepMs = 50;
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0)
        return false;
    ULONGLONG lastProgress = GetTickCount64();
    bool whole = true;
    while (count > 0) {
        const int sent = send(socket, bytes, int(count), 0);
        if (sent > 0) {
            bytes += sent;
            count -= size_t(sent);
            lastProgress = GetTickCount64();
            continue;
        }
        if (sent == 0 || WSAGetLastError() != WSAEWOULDBLOCK || GetTickCount64() - lastProgress >= kStallMs) {
            whole = false;
            break;
        }
        WaitReady(socket, kStepMs, true);
    }
    u_long blocking = 0;
    ioctlsocket(socket, FIONBIO, &blocking);
    return whole;
}

void DropConnection(SOCKET socket)
{
    linger abort = {1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(socket);
}

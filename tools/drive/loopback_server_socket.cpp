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

bool WaitReadable(SOCKET socket, DWORD ms)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = {long(ms / 1000), long((ms % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

bool SendAll(SOCKET socket, const char* bytes, size_t count)
{
    while (count > 0) {
        const int sent = send(socket, bytes, int(count), 0);
        if (sent <= 0)
            return false;
        bytes += sent;
        count -= size_t(sent);
    }
    return true;
}

void DropConnection(SOCKET socket)
{
    linger abort = {1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(socket);
}

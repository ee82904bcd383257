// What the tests' stand-in servers (the patch server, the fake OBS) do with
// their sockets alike: listen on loopback once the port is free, wait for
// bytes in steps so that a stop is seen, send whole, and drop a connection
// so that nothing lingers on the port.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstddef>

// A socket listening on 127.0.0.1 at the port, waiting up to `waitMs` for
// the port to come free; INVALID_SOCKET when it never did.
SOCKET ListenOnLoopback(unsigned short port, DWORD waitMs);

// True when the socket can be read within `ms`.
bool WaitReadable(SOCKET socket, DWORD ms);

// Sends every byte; false when the client went away or took nothing for
// 10 s.
bool SendAll(SOCKET socket, const char* bytes, size_t count);

// Closes with a reset: nothing lingers on the server's port, so the next
// server can listen on it at once.
void DropConnection(SOCKET socket);

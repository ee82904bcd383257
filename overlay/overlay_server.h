// The overlay's server: the match as a page, as JSON and as a stream of
// events, for the browser sources of OBS Studio and XSplit. It listens on
// 127.0.0.1 only, on a thread of its own started with the worker and
// stopped with it, and reads the match's owner; it holds no one: a client
// that does not read is dropped, and the worker never waits for it.
#pragma once
#include <windows.h>

// "Overlay Port": 0 (off, the default) or 1024 to 65535.
constexpr DWORD kOverlayPortLowest = 1024;
constexpr DWORD kOverlayPortHighest = 65535;
bool IsOverlayPortValid(DWORD port);

// UI thread: the port as the settings hold it (0 when absent or out of
// range), and the port the user set, which the settings store at once.
DWORD ReadOverlayPort();
void StoreOverlayPort(DWORD port);

// UI thread, at Start: listens on the stored port, if any. A port taken
// is tried again every 2 s until it is free or Stop comes, and said once
// in the status line if still taken at the first of these tries (its
// freeing is said then too); switching goes on meanwhile.
void StartOverlayServer();
// UI thread, at Stop and at exit: the server ends and its port is free.
void StopOverlayServer();

// How many handles a process holds. Wine answers GetProcessHandleCount for
// another process with 0, so the system's list of every open handle is
// counted instead when that happens.
#pragma once
#include <windows.h>
#include <string>

// False when neither way gives a count; `source` names the way that did.
bool CountProcessHandles(HANDLE process, DWORD processId, DWORD* count, std::string* source);

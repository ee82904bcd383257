// Figures of another process that show leaks: how many handles it holds open
// and how many threads it runs.
#pragma once
#include <windows.h>

struct ProcessFigures {
    // What GetProcessHandleCount reports. Wine does not keep this count and
    // reports 0 for every process, so it cannot show a leak there.
    DWORD reportedHandles;
    // The handles found open by trying every handle value in turn: what
    // shows a leak on Wine and Windows alike.
    DWORD handles;
    DWORD threads;
};

// False when the process could not be asked.
bool ReadProcessFigures(DWORD processId, ProcessFigures* figures);

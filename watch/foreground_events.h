// The foreground window's changes as Windows reports them, on the worker's
// thread: alt+tab is answered within a frame instead of at the next sample.
#pragma once
#include <windows.h>

// The hook lives as long as the watch of one game; `installed` is false
// where Windows gives no such events, and then the samples still see
// every change, later.
struct ForegroundEvents {
    HWINEVENTHOOK foregroundHook;
    HWINEVENTHOOK focusHook;
    bool installed;
};

void BeginForegroundEvents(ForegroundEvents* events);
void EndForegroundEvents(ForegroundEvents* events);

enum class WorkerWake { Stopped, ForegroundChanged, Resumed, PeriodOver };

// Waits until `deadline` (GetTickCount64) for Stop, a foreground change or
// a resume of switching, handling the events that arrive meanwhile.
WorkerWake WaitForWorkerWake(ULONGLONG deadline);

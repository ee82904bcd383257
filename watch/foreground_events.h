// The foreground window's changes as Windows reports them, on the worker's
// thread: alt+tab is answered within a frame instead of at the next sample.
#pragma once
#include <windows.h>

// The hooks live as long as the watch of one game; where Windows gives no
// such events the samples still see every change, later.
struct ForegroundEvents {
    HWINEVENTHOOK foregroundHook;
    HWINEVENTHOOK focusHook;
};

void BeginForegroundEvents(ForegroundEvents* events);
void EndForegroundEvents(ForegroundEvents* events);

// Whether an event has told of a foreground change since the last call:
// handles the events that are waiting, and forgets the news.
bool TakeForegroundNews();

enum class WorkerWake { Stopped, ForegroundChanged, ForegroundDue, Resumed, PeriodOver };

// Waits until `deadline` (GetTickCount64) for Stop, a foreground change or
// a resume of switching, handling the events that arrive meanwhile. With
// `lookEveryMs` other than 0 it also returns ForegroundDue that often, for
// a foreground that is looked at because no event tells of its changes.
WorkerWake WaitForWorkerWake(ULONGLONG deadline, DWORD lookEveryMs);

// Start and Stop of the watch worker, and what the rest of the UI asks of
// it. Everything here runs on the UI thread, which alone owns the worker's
// life: the worker is given what it needs at Start and calls nothing on the
// window, so nothing here ever has to serve the worker while it waits.
#pragma once
#include <windows.h>

// Start/Stop (the button toggles between them). Stop returns within
// moments, whatever the worker is doing.
void StartWorker();
void StopWorker();

// Whether Start has been pressed and not yet taken back: a worker runs, or
// a Start waits for the last one to end.
bool IsWatchRequested();
// Whether a worker that Stop left to end on its own still runs.
bool IsWorkerEnding();
// Whether Stop is waiting for the worker right now.
bool IsStopInProgress();

// Posted by the thread pool once a worker's thread has ended. It carries
// nothing, since anyone may post it: the window looks at the threads it
// knows, collects what has ended and starts a Start that waited.
constexpr UINT kWorkerEndedMessage = WM_APP + 40;
void OnWorkerEnded();

// The window's end: lets a running worker finish what it is doing, for at
// most a few seconds, rather than cutting it off when the process ends.
void LetWorkerFinishBeforeExit();

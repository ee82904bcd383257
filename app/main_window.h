// The main window: a modeless dialog from template 101 that holds the scene
// names, the options, the patch list, the network controls and Start/Stop.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Takes network mode from its check box and enables the scene controls
// unless this computer is the XSplit side of a network pair.
void UpdateControlStates();

// Reads a check box of the main window; from the worker this is a
// synchronous call into the UI thread.
bool IsMainBoxChecked(int controlId);

// Start/Stop of the watch worker (the button toggles between them). Stop
// returns within moments, whatever the worker is doing.
void StartWorker();
void StopWorker();

// Posted by the worker as it ends; the main window then collects a worker
// that Stop left to end on its own, and starts one that waited for it.
constexpr UINT kWorkerEndedMessage = WM_APP + 40;
void OnWorkerEnded(DWORD threadId);  // the ended worker's thread, as posted

// Waits for `handle` while still handling messages that other threads send
// to this thread's windows: the worker reads and writes the main window's
// controls synchronously and would otherwise never reach its end.
// Returns false when the time ran out.
bool WaitServingSentMessages(HANDLE handle, DWORD timeoutMs);

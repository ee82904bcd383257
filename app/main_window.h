// The main window: a modeless dialog from template 101 that holds the scene
// names, the options, the patch list, the network controls and Start/Stop.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Takes network mode from its check box and enables the scene controls
// unless this computer is the XSplit side of a network pair.
void UpdateControlStates();

// UI thread: whether a check box of the main window is checked.
bool IsMainBoxChecked(int controlId);

// The scene fields and alt+tab options as the worker reads them: published
// at once after every change (UI thread). Watching begins once the
// settings are in the controls and ends with the window.
void PublishMainWindowField(HWND dialog, int controlId);
void WatchMainWindowFields(HWND dialog);
void StopWatchingMainWindowFields(HWND dialog);

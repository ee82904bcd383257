// Driving XSplit from outside its process: finding its main window and
// clicking the scene buttons in it.
#pragma once
#include <windows.h>

// One search for XSplit's main window, without waiting; null when not found
// or when Stop is requested during the search.
HWND FindXSplitWindow();

// Clicks the button captioned exactly `name` among the descendants of
// XSplitWindow, or reports "Error: Scene '...' not found." in the status line.
void ClickSceneButton(const wchar_t* name);

// Searches until XSplit is found, then holds a handle to its process for
// IsXSplitLost. False when Stop was requested first; nothing is held then.
bool WaitForXSplit();

// True when XSplit's window or process is gone.
bool IsXSplitLost();

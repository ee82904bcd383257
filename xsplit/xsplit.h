// Driving XSplit from outside its process: finding its main window and
// clicking the scene buttons in it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The XSplit a worker found: its main window, its process, and on the
// XSplit side of a network pair a hold on that process (null when none).
// The worker's own: nothing else reads it.
struct XSplitTarget {
    HWND window;
    DWORD processId;
    HANDLE process;
};

// One search for XSplit's main window, without waiting; null when not found
// or when Stop is requested during the search.
HWND FindXSplitWindow();

// Clicks the button captioned exactly `name` among the descendants of
// XSplit's window, or reports "Error: Scene '...' not found." in the status
// line, naming the caption nearest to it when there is one.
void ClickSceneButton(const XSplitTarget& xsplit, const wchar_t* name);

// The captions of the scene buttons in XSplit's window (at most 500), in
// the order the switch meets them.
std::vector<std::wstring> ListSceneButtons(const XSplitTarget& xsplit);

// Searches until XSplit is found, then holds a handle to its process for
// IsXSplitLost. False when Stop was requested first; nothing is held then.
bool WaitForXSplit(XSplitTarget* xsplit);

// True when XSplit's window or process is gone.
bool IsXSplitLost(const XSplitTarget& xsplit);

// Lets go of the hold on XSplit's process.
void ReleaseXSplit(XSplitTarget* xsplit);

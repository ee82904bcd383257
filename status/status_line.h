// The one-line status text at the foot of the main window: how every part of
// the program tells the user what it is doing.
#pragma once
#include <windows.h>

constexpr int kStatusChars = 512;  // 511 characters and the terminator

// Replaces the whole status text; callable from any thread. Another
// thread's text is copied into a queue that the main window's thread takes
// from, woken by a posted message that carries nothing: no thread ever
// waits for the window to show it. While switching is paused the text is
// kept, and shown on resume.
void SetStatusLine(const wchar_t* text);

// The message that wakes the main window's thread for queued texts. Anyone
// may post it; it only makes the window look at the queue.
constexpr UINT kStatusLineMessage = WM_APP + 41;
void OnStatusLineQueued();

// UI thread: a worker's texts are shown only while its run is the current
// one. Start opens a new run and hands its number to the worker, which
// says it on its own thread before its first text; Stop closes it, so a
// worker left to end on its own cannot write over what Stop said.
unsigned OpenWorkerStatus();
void CloseWorkerStatus();
// Worker thread, first thing: the run its texts belong to.
void AdoptWorkerStatus(unsigned run);

// UI thread: shows the pause's text, or with null the text said last.
void ShowPauseInStatusLine(const wchar_t* pauseText);

// Puts `argument` in place of the first "%s" of `format`. The argument is a
// scene name from the user or the network, so it is copied as text, never
// read as a format. What does not fit in 511 characters is cut.
void FormatStatus(wchar_t (&out)[kStatusChars], const wchar_t* format, const wchar_t* argument);

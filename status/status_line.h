// The one-line status text at the foot of the main window: how every part of
// the program tells the user what it is doing.
#pragma once
#include <windows.h>

constexpr int kStatusChars = 512;  // 511 characters and the terminator

// Replaces the whole status text; callable from any thread. While
// switching is paused the text is kept, and shown on resume.
void SetStatusLine(const wchar_t* text);

// How another thread's text reaches the main window's thread: sent, with
// the text in lParam, handed to OnStatusLineSet there.
constexpr UINT kStatusLineMessage = WM_APP + 41;
void OnStatusLineSet(const wchar_t* text);

// UI thread: shows the pause's text, or with null the text said last.
void ShowPauseInStatusLine(const wchar_t* pauseText);

// Puts `argument` in place of the first "%s" of `format`. The argument is a
// scene name from the user or the network, so it is copied as text, never
// read as a format. What does not fit in 511 characters is cut.
void FormatStatus(wchar_t (&out)[kStatusChars], const wchar_t* format, const wchar_t* argument);

// "Start with Windows": a sign-in task of the Task Scheduler named
// "Kestrelcue", for this user, that starts this exe, quoted, with
// "/autostart". Not the Run key: Windows does not start from there a program
// that asks for elevation, as this one does, so an administrator would find
// nothing started. A "Kestrelcue" Run value an earlier version wrote is
// removed whenever the box is applied.
#pragma once
#include <windows.h>

#include <cstddef>

// The task's definition: a path of the longest form, escaped, and the rest.
constexpr size_t kSignInTaskXmlChars = 32768 * 6 + 4096;

// True when the task is there and its action names this exe (letter case
// and quotes aside); one that names another copy of the program is not ours.
bool IsStartWithWindowsSet();

// Registers the task for this exe, or deletes it; either way the old Run
// value goes. False when the Task Scheduler refused.
bool SetStartWithWindows(bool start);

// Whether a task's program (its action's path, quoted or not) is
// `exePath`, letter case aside.
bool CommandNamesProgram(const wchar_t* command, const wchar_t* exePath);

// The task as registered: started at the sign-in of the user `userSid`,
// with the highest run level when `highest` (an administrator: the
// program asks for it), `exePath` quoted and "/autostart" as its action,
// no time limit, not stopped on battery. False when it does not fit.
bool BuildSignInTaskXml(const wchar_t* exePath, const wchar_t* userSid, bool highest,
                        wchar_t (&xml)[kSignInTaskXmlChars]);

// Whether the program, started with `arguments` (as the entry receives
// them), begins hidden in the tray: at sign-in with "Minimize To Tray".
// Call after the main window has loaded the settings.
bool StartsHiddenInTray(const wchar_t* arguments);

// "Start with Windows": the value "Kestrelcue" under the current user's Run
// key, which Windows runs at sign-in: this exe, quoted, and "/autostart".
#pragma once
#include <windows.h>

// True when the value is there and names this exe (letter case and quotes
// aside); one that names another copy of the program is not ours.
bool IsStartWithWindowsSet();

// Writes the value for this exe, or removes it. False when the registry
// refused.
bool SetStartWithWindows(bool start);

// Whether the program, started with `arguments` (as the entry receives
// them), begins hidden in the tray: at sign-in with "Minimize To Tray".
// Call after the main window has loaded the settings.
bool StartsHiddenInTray(const wchar_t* arguments);

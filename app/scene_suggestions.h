// The main window's scene fields offer the broadcaster's scenes as Windows'
// own address fields offer addresses: the shell's autocomplete, with a
// source of our own, drops a list below the edit while typing (the scenes
// that begin with what is typed) and with the Down key. The fields stay the
// edits they are; the window gains no control.
#pragma once
#include <windows.h>

#include "app/app_state.h"

// UI thread, with COM initialised on it: attaches to the four fields.
void AttachSceneSuggestions(HWND dialog);
// UI thread: the Scenes dialog's five fields, while it is open.
void AttachSituationSuggestions(HWND dialog, const int (&controls)[kSituationSceneCount]);
void DetachSituationSuggestions();
// UI thread, when the list has changed: the next look lists anew.
void RefreshSceneSuggestions();
// UI thread, before the window goes.
void DetachSceneSuggestions();

// The main window's side of the broadcaster's scene list: a rename that
// OBS reports is followed by the fields that held the old name, and a name
// the broadcaster lacks is marked on its field and said once in the status
// line, before it goes on air.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "status/status_line.h"

// UI thread, woken by kSceneListChangedMessage.
void OnSceneListChanged(HWND dialog);

// UI thread: marks every field whose name the broadcaster lacks (at Start,
// when a field is left or set from outside, when the list changes).
void CheckSceneFields(HWND dialog);

// UI thread: the scenes that the fields may offer now: the list learned
// of the broadcaster chosen, when this computer drives it; false when
// there are none, and then why in one line into `why` (unless null). While
// nothing is watched a list unknown or some seconds old is fetched anew.
bool SceneListForFields(std::vector<std::wstring>* scenes, wchar_t (*why)[kStatusChars] = nullptr);

// UI thread, as the user opens the field's list: when it has nothing to
// list, a balloon on the field says why.
void SayWhyNothingIsListed(HWND field);
// UI thread, as the user types or leaves the field: that balloon goes (a
// mark stays).
void HideWhyNothingIsListed(HWND field);

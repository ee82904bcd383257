// The main window's side of the broadcaster's scene list: a rename that
// OBS reports is followed by the fields that held the old name, and a name
// the broadcaster lacks is marked on its field and said once in the status
// line, before it goes on air.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// UI thread, woken by kSceneListChangedMessage.
void OnSceneListChanged(HWND dialog);

// UI thread: marks every field whose name the broadcaster lacks (at Start,
// when a field is left or set from outside, when the list changes).
void CheckSceneFields(HWND dialog);

// UI thread: the scenes that the main window's fields may offer now: the
// list learned of the broadcaster chosen, when this computer drives it;
// false when there is none, and then a fetch is started if nothing is
// watched.
bool SceneListForFields(std::vector<std::wstring>* scenes);

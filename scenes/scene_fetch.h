// The broadcaster's scenes fetched while nothing is watched, when a field's
// list is first opened: OBS is connected to, asked and let go within its
// bounds, XSplit's window read, on a thread of its own so that a slow or
// silent broadcaster holds no window. What it learns goes to the list.
#pragma once
#include <windows.h>

#include "app/app_state.h"

// UI thread: starts one fetch with the broadcaster chosen now, unless one
// is under way. The UI thread never waits for it.
void FetchScenesInTheBackground();

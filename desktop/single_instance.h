// One Kestrelcue per logon session: two would switch scenes against each
// other, and the later one to close would overwrite the other's settings.
#pragma once
#include <windows.h>

#include "app/command_line.h"

// Claims the instance named `name` (empty: the usual one) for this process.
// False when another process holds it: that one has then been asked to
// show its window, and this one must end without touching anything.
bool ClaimInstance(const wchar_t* name);

// Tells later starts where this instance's window is; until then they wait for it.
void PublishInstanceWindow(HWND window);

// The message a later start posts to the main window to have it shown and
// brought to the front; registered, so that any of them agree on it.
UINT ShowInstanceMessage();

// The "Options" dialog, opened from the main window's system menu: where
// the game's state comes from, which program's scenes are switched
// (XSplit, or OBS Studio with its host, port and password), and the
// program's place on this computer: Start with Windows, Minimize to tray
// and the pause key, which take effect at OK.
#pragma once
#include <windows.h>

// Modal, owned by the main window. OK applies the choice (and downloads the
// patch table if it is now needed and was never loaded); Cancel, Escape and
// the close box keep what was there.
void ShowOptions(HWND owner);

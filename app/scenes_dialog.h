// The "Scenes" dialog, opened from the main window's system menu: the
// scenes of the situations only the game's client API tells (loading, a
// replay, observing, after a win, after a loss) and the user's names in the
// game, by which a game of their own is told from one they watch.
#pragma once
#include <windows.h>

// Modal, owned by the main window, and open to use while the worker runs:
// OK applies the fields at once, so the next event uses them; Cancel,
// Escape and the close box keep what was there.
void ShowScenes(HWND owner);

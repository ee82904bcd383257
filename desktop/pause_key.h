// The pause key: a key combination, anywhere in Windows, that pauses or
// resumes switching while the streamer is in the game. It belongs to the
// main window, which hears it as WM_HOTKEY.
#pragma once
#include <windows.h>

// The main window's one hot key.
constexpr int kPauseHotkeyId = 1;

// Registers `hotkey` (as HKM_GETHOTKEY gives it: the key in the low byte,
// HOTKEYF_* above) for the main window in place of the one it held; 0
// registers none. False when another program holds that combination: then
// the main window holds none.
bool RegisterPauseKey(HWND mainWindow, DWORD hotkey);

// Tries `hotkey` in place of the stored one (Options' OK): on success it is
// registered and stored in AppState; otherwise the one held before is held
// again and false is returned.
bool ReplacePauseKey(HWND mainWindow, DWORD hotkey);

// At start-up: registers the stored key and says in the status line when
// another program holds it.
void RegisterStoredPauseKey(HWND mainWindow);

// What the status line and Options say when the key is taken.
extern const wchar_t kPauseKeyTakenText[];

// The program's tray menu, driven as a user drives a popup menu: it is
// opened by the shell's right-click message, then an item is chosen by its
// access key, typed into the menu while it tracks. Popup menus of another
// process cannot be read under Wine, so an item is known by its key:
// "&Show", "S&tart" / "S&top", "&Pause switching" / "&Resume switching",
// "E&xit".
#pragma once
#include <windows.h>

#include "drive/program.h"
#include "drive/stand_in_tray.h"

// The program's open popup menu (class "#32768"); null when none shows
// within the time.
HWND WaitForPopupMenu(KestrelcueProgram& program, DWORD timeoutMs = 15000);

// Right-clicks the program's icon and waits for its menu; null when none.
HWND OpenTrayMenu(const StandInTray& tray, KestrelcueProgram& program);

// Types `key` into the open menu, as a user presses an item's access key.
void TypeIntoMenu(HWND menu, wchar_t key);
void PressEscapeInMenu(HWND menu);

// Opens the menu and types `key`: true once the menu has closed on it (an
// item with that key was chosen). When the menu still shows at the end of
// the time, it is closed with Escape and false is returned.
bool ChooseFromTrayMenu(const StandInTray& tray, KestrelcueProgram& program, wchar_t key, DWORD timeoutMs = 15000);

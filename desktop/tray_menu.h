// The tray icon's menu: Show, Start or Stop, Pause or Resume switching, and
// Exit. Its commands come to the main window as WM_COMMAND.
#pragma once
#include <windows.h>

// Opens the menu at `at` (screen coordinates) and returns once it is closed.
void ShowTrayMenu(HWND mainWindow, POINT at);

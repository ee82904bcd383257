// The icon in the notification area while the program runs: its tip is the
// status line, a click brings the main window back, and its menu starts,
// stops, pauses and ends the program without the window. With "Minimize To
// Tray" the minimised window waits there instead of on the taskbar.
#pragma once
#include <windows.h>

// What the shell sends when the icon is clicked, and what a thread that is
// not the UI thread posts when the tip has changed. Apart from the other
// WM_APP messages of the program.
constexpr UINT kTrayCallbackMessage = WM_APP + 20;
constexpr UINT kTrayTipChangedMessage = WM_APP + 21;

// The main window's icon in the tray; its id, as the shell reports it.
constexpr UINT kTrayIconId = 1;

// Adds the icon (UI thread, the main window's WM_INITDIALOG), with the
// status line as its tip, and learns the shell's "TaskbarCreated".
void AddTrayIcon(HWND mainWindow);
// Takes it away when the main window ends.
void RemoveTrayIcon(HWND mainWindow);

// The tray icon's tip: what a tip holds (127 characters) and the terminator.
constexpr int kTrayTipChars = 128;

// UI thread: the status line's new text becomes the tip, cut to 127
// characters.
void ShowStatusInTray(const wchar_t* text);

// Whether the shell holds the icon, so that a hidden window can come back.
bool IsTrayIconAdded();

// Handlers of the main window's messages.
INT_PTR OnTrayCallback(HWND mainWindow, WPARAM wParam, LPARAM lParam);
INT_PTR OnTrayTipChanged(HWND mainWindow);
// True when `message` was the shell's "TaskbarCreated": a restarted
// Explorer holds no icons, so ours is added again.
bool OnShellRestarted(HWND mainWindow, UINT message);
// A minimised main window, with "Minimize To Tray", leaves the taskbar.
void OnMainWindowSized(HWND mainWindow, WPARAM kind);

// Shows the main window as it was before it went to the tray, and in front.
void ShowMainWindowFromTray(HWND mainWindow);

// With "Minimize To Tray" the main window has a minimise box; without it,
// as it always had, none.
void ApplyMinimizeBox(HWND mainWindow);

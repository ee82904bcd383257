// What Wine's own notification area holds. Without a host tray under Xvfb,
// Wine 8's explorer hands each icon to the X11 driver, which shows it in a
// window of its own ("Wine System Tray", class
// "__winex11_standalone_tray"), one child window of class
// "__winex11_tray_icon" an icon. A mouse message to that child is relayed
// to the icon's owner as the shell's callback, as a real click would be.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The icon windows Wine's tray shows now.
std::vector<HWND> WineTrayIcons();

// A left click on one of them.
void ClickWineTrayIcon(HWND icon);

// The tip Wine's tray shows for the icon: the text of the tool its tooltip
// keeps for the icon's window. The tooltip lives in explorer's process and
// answers with pointers into it, so the question and the answer are
// written and read in that process's memory. False when no tooltip there
// keeps a tool for this icon.
bool ReadWineTrayTip(HWND icon, std::wstring* tip);

// The program's own icon on its windows: the caption, the taskbar, Alt+Tab
// and the tray all show the same picture.
#pragma once
#include <windows.h>

// The icon at the size the system uses for `metricX` by `metricY`
// (SM_CXICON/SM_CYICON or SM_CXSMICON/SM_CYSMICON); shared, never destroyed.
HICON LoadProgramIcon(int metricX, int metricY);

// Gives a window both of its icons, big (Alt+Tab) and small (caption, taskbar).
void SetProgramIcon(HWND window);

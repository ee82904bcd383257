#include "desktop/tray_menu.h"

#include "app/worker_control.h"
#include "desktop/switching_pause.h"
#include "resource_ids.h"

void ShowTrayMenu(HWND mainWindow, POINT at)
{
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    // The labels say what a choice does now; each has its own access key.
    AppendMenuW(menu, MF_STRING, IDM_TRAY_SHOW, L"&Show");
    AppendMenuW(menu, MF_STRING, IDM_TRAY_START_STOP, IsWatchRequested() ? L"S&top" : L"S&tart");
    AppendMenuW(menu, MF_STRING, IDM_TRAY_PAUSE, IsSwitchingPaused() ? L"&Resume switching" : L"&Pause switching");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_TRAY_EXIT, L"E&xit");
    SetMenuDefaultItem(menu, IDM_TRAY_SHOW, FALSE);
    // Without the foreground the menu would not close when the user
    // clicks elsewhere; the posted message lets it close at once after a
    // choice (the shell's documented pair).
    SetForegroundWindow(mainWindow);
    const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    TrackPopupMenuEx(menu, align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, mainWindow, nullptr);
    PostMessageW(mainWindow, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

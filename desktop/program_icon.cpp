#include "desktop/program_icon.h"

#include "app/app_state.h"
#include "resource_ids.h"

HICON LoadProgramIcon(int metricX, int metricY)
{
    // LR_SHARED: the system keeps one copy for the process and frees it
    // itself, so no path here or in the callers has to destroy it.
    return static_cast<HICON>(LoadImageW(g_app.Instance, MAKEINTRESOURCEW(IDI_KESTRELCUE), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
}

void SetProgramIcon(HWND window)
{
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadProgramIcon(SM_CXICON, SM_CYICON)));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadProgramIcon(SM_CXSMICON, SM_CYSMICON)));
}

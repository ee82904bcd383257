// The main window's dialog procedure: it dispatches, small handlers act.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/network_setup.h"
#include "app/settings.h"
#include "patch/patch_table.h"
#include "resource_ids.h"

namespace {

// How long closing the window waits for a running worker to wind down
// before the process ends it; a worker caught in a click into a hung
// XSplit is ended with the process after this.
constexpr DWORD kCloseWaitForWorkerMs = 3000;

void StartPatchLoader()
{
    HANDLE loader = CreateThread(nullptr, 0, LoadPatchTable, nullptr, 0, nullptr);
    if (loader != nullptr)
        CloseHandle(loader);
}

INT_PTR OnInitDialog(HWND dialog)
{
    g_app.MainDialog = dialog;
    StartPatchLoader();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    LoadSettings(dialog);
    UpdateControlStates();
    return TRUE;
}

void OnStartStop()
{
    if (g_app.StopInProgress)
        return;
    if (g_app.WorkerThread == nullptr)
        StartWorker();
    else
        StopWorker();
}

INT_PTR OnCommand(int controlId, int notification)
{
    switch (controlId) {
    case IDC_MAIN_PATCH_LIST:
        if (notification == CBN_SELCHANGE)
            ApplyPatchSelection();
        break;
    case IDC_MAIN_NETWORK_MODE:
        UpdateControlStates();
        break;
    case IDC_MAIN_SETUP:
        if (notification == BN_CLICKED)
            ShowNetworkSetup(g_app.MainDialog);
        break;
    case IDC_MAIN_START_STOP:
        if (notification == BN_CLICKED)
            OnStartStop();
        break;
    default:  // IDOK and IDCANCEL from Enter and Escape among them
        break;
    }
    return FALSE;
}

INT_PTR OnClose(HWND dialog)
{
    // Both waits for the worker serve sent messages, and the patch loader
    // sends WM_CLOSE after a failed download. Inside Stop's wait the window
    // must outlive the wait, so the close is carried out when Stop is done;
    // inside the window's own end it is under way already.
    if (g_app.StopInProgress) {
        g_app.CloseAfterStop = true;
        return TRUE;
    }
    if (!g_app.WindowClosing)
        DestroyWindow(dialog);
    return TRUE;
}

INT_PTR OnDestroy()
{
    g_app.WindowClosing = true;
    SaveSettings();
    // Let a running worker finish what it is doing rather than cutting it
    // off in the middle of a call when the process ends.
    if (g_app.WorkerThread != nullptr && !g_app.StopInProgress) {
        SetEvent(g_app.StopEvent);
        WaitServingSentMessages(g_app.WorkerThread, kCloseWaitForWorkerMs);
    }
    PostQuitMessage(0);
    return FALSE;
}

} // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:      return OnClose(dialog);
    case WM_DESTROY:    return OnDestroy();
    case WM_CREATE:     return TRUE;
    default:            return FALSE;
    }
}

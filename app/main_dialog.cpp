// The main window's dialog procedure: it dispatches, small handlers act.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/network_setup.h"
#include "app/options_dialog.h"
#include "desktop/pause_key.h"
#include "desktop/program_icon.h"
#include "app/record_dialog.h"
#include "app/scenes_dialog.h"
#include "settings/settings.h"
#include "desktop/single_instance.h"
#include "status/status_line.h"
#include "desktop/switching_pause.h"
#include "desktop/tray_icon.h"
#include "patch/patch_table.h"
#include "resource_ids.h"

namespace {

// How long closing the window waits for a running worker to wind down
// before the process ends it; a worker caught in a click into a hung
// XSplit is ended with the process after this.
constexpr DWORD kCloseWaitForWorkerMs = 3000;

void AddOptionsToSystemMenu(HWND dialog)
{
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (menu == nullptr)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_MAIN_OPTIONS, L"Options...");
    AppendMenuW(menu, MF_STRING, IDM_MAIN_SCENES, L"Scenes...");
    AppendMenuW(menu, MF_STRING, IDM_MAIN_RECORD, L"Record...");
}

INT_PTR OnInitDialog(HWND dialog)
{
    g_app.MainDialog = dialog;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    SetProgramIcon(dialog);
    AddOptionsToSystemMenu(dialog);
    LoadSettings(dialog);
    ApplyMinimizeBox(dialog);
    AddTrayIcon(dialog);
    RegisterStoredPauseKey(dialog);
    // The stored source decides whether the table is needed at all: the
    // client API needs none, and then no server is asked.
    if (!IsClientApiChosen())
        StartPatchLoaderOnce();
    UpdateControlStates();
    return TRUE;
}

// Options changes what the next Start does, so like Setup it waits while
// the worker runs; the menu item is greyed then, and a command sent by
// other means is refused as well.
// Scenes and Record change only what the next event uses (and what the
// record shows), so they are open while the worker runs too.
INT_PTR OnSysCommand(HWND dialog, WPARAM command)
{
    switch (command & 0xFFF0) {
    case IDM_MAIN_OPTIONS:
        if (g_app.WorkerThread == nullptr && g_app.EndingWorker == nullptr && !g_app.StartWhenEnded &&
            !g_app.WindowClosing)
            ShowOptions(dialog);
        return TRUE;
    case IDM_MAIN_SCENES:
        if (!g_app.WindowClosing && !g_app.StopInProgress)
            ShowScenes(dialog);
        return TRUE;
    case IDM_MAIN_RECORD:
        if (!g_app.WindowClosing && !g_app.StopInProgress)
            ShowRecord(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

void OnStartStop()
{
    if (g_app.StopInProgress)
        return;
    if (g_app.WorkerThread == nullptr && !g_app.StartWhenEnded)
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
    case IDM_TRAY_SHOW:
        ShowMainWindowFromTray(g_app.MainDialog);
        break;
    case IDM_TRAY_START_STOP:
        OnStartStop();
        break;
    case IDM_TRAY_PAUSE:
        ToggleSwitchingPaused();
        break;
    case IDM_TRAY_EXIT:
        // The close box's way out, so the settings are saved as they are then.
        PostMessageW(g_app.MainDialog, WM_CLOSE, 0, 0);
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

INT_PTR OnHotkey(WPARAM id)
{
    if (id == kPauseHotkeyId)
        ToggleSwitchingPaused();
    return TRUE;
}

INT_PTR OnSize(HWND dialog, WPARAM kind)
{
    OnMainWindowSized(dialog, kind);
    return FALSE;
}

INT_PTR OnDestroy(HWND dialog)
{
    g_app.WindowClosing = true;
    RemoveTrayIcon(dialog);
    RegisterPauseKey(dialog, 0);
    SaveSettings();
    // Let a running worker finish what it is doing rather than cutting it
    // off in the middle of a call when the process ends.
    if (g_app.WorkerThread != nullptr && !g_app.StopInProgress) {
        SetEvent(g_app.StopEvent);
        WaitServingSentMessages(g_app.WorkerThread, kCloseWaitForWorkerMs);
    } else if (g_app.EndingWorker != nullptr) {
        WaitServingSentMessages(g_app.EndingWorker, kCloseWaitForWorkerMs);
    }
    PostQuitMessage(0);
    return FALSE;
}

// A later start of the program asks for the window; it may be minimised,
// hidden or behind the game.
INT_PTR OnShowInstance(HWND dialog)
{
    ShowMainWindowFromTray(dialog);
    return TRUE;
}

} // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND: return OnSysCommand(dialog, wParam);
    case WM_SIZE:       return OnSize(dialog, wParam);
    case WM_HOTKEY:     return OnHotkey(wParam);
    case WM_CLOSE:      return OnClose(dialog);
    case WM_DESTROY:    return OnDestroy(dialog);
    case WM_CREATE:     return TRUE;
    case kTrayCallbackMessage:   return OnTrayCallback(dialog, wParam, lParam);
    case kTrayTipChangedMessage: return OnTrayTipChanged(dialog);
    case kWorkerEndedMessage:    OnWorkerEnded(static_cast<DWORD>(wParam)); return TRUE;
    case kStatusLineMessage:     OnStatusLineSet(reinterpret_cast<const wchar_t*>(lParam)); return TRUE;
    default:
        if (message == ShowInstanceMessage())
            return OnShowInstance(dialog);
        return OnShellRestarted(dialog, message) ? TRUE : FALSE;
    }
}

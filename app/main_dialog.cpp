// The main window's dialog procedure: it dispatches, small handlers act.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/field_balloons.h"
#include "app/main_window.h"
#include "app/worker_control.h"
#include "app/network_setup.h"
#include "app/options_dialog.h"
#include "desktop/pause_key.h"
#include "desktop/program_icon.h"
#include "app/record_dialog.h"
#include "app/scene_checks.h"
#include "app/scene_suggestions.h"
#include "app/scenes_dialog.h"
#include "app/scenes_dialog_lists.h"
#include "settings/settings.h"
#include "desktop/single_instance.h"
#include "status/status_line.h"
#include "desktop/switching_pause.h"
#include "desktop/tray_icon.h"
#include "patch/patch_table.h"
#include "resource_ids.h"
#include "scenes/scene_list.h"

namespace {

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
    // The autocomplete first: the fields' own watch then sees the keys
    // before it does, Down among them, which it keeps to itself.
    AttachSceneSuggestions(dialog);
    WatchMainWindowFields(dialog);
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
        if (!IsWatchRequested() && !IsWorkerEnding() && !g_app.WindowClosing)
            ShowOptions(dialog);
        return TRUE;
    case IDM_MAIN_SCENES:
        if (!g_app.WindowClosing && !IsStopInProgress())
            ShowScenes(dialog);
        return TRUE;
    case IDM_MAIN_RECORD:
        if (!g_app.WindowClosing && !IsStopInProgress())
            ShowRecord(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

void OnStartStop()
{
    if (IsStopInProgress())
        return;
    if (!IsWatchRequested())
        StartWorker();
    else
        StopWorker();
}

INT_PTR OnCommand(int controlId, int notification)
{
    switch (controlId) {
    case IDC_MAIN_ENTER_SCENE:
    case IDC_MAIN_LEAVE_SCENE:
    case IDC_MAIN_TAB_IN_SCENE:
    case IDC_MAIN_TAB_OUT_SCENE:
        if (notification == EN_CHANGE)
            PublishMainWindowField(g_app.MainDialog, controlId);
        // A name typed is checked when the field is left; one set by other
        // means at once (main_fields.cpp).
        if (notification == EN_KILLFOCUS)
            CheckSceneFields(g_app.MainDialog);
        break;
    case IDC_MAIN_APPLY_ON_TAB:
    case IDC_MAIN_APPLY_WHEN_TABBED:
        if (notification == BN_CLICKED)
            PublishMainWindowField(g_app.MainDialog, controlId);
        break;
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
    // The patch loader sends WM_CLOSE after a failed download; inside the
    // window's own end it is under way already.
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
    StopWatchingMainWindowFields(dialog);
    DestroyFieldBalloons(dialog);
    DetachSceneSuggestions();
    LetWorkerFinishBeforeExit();
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
    case WM_ACTIVATE:   PlaceFieldBalloons(dialog, LOWORD(wParam) != WA_INACTIVE); return FALSE;
    case WM_MOVE:       PlaceFieldBalloons(dialog, GetActiveWindow() == dialog); return FALSE;
    case WM_HOTKEY:     return OnHotkey(wParam);
    case WM_CLOSE:      return OnClose(dialog);
    case WM_DESTROY:    return OnDestroy(dialog);
    case WM_CREATE:     return TRUE;
    case kTrayCallbackMessage:   return OnTrayCallback(dialog, wParam, lParam);
    case kTrayTipChangedMessage: return OnTrayTipChanged(dialog);
    case kWorkerEndedMessage:    OnWorkerEnded(); return TRUE;
    case kStatusLineMessage:     OnStatusLineQueued(); return TRUE;
    case kSceneListChangedMessage:
        RefreshSceneSuggestions();
        OnSceneListChanged(dialog);
        RecheckScenesDialog();
        return TRUE;
    default:
        if (message == ShowInstanceMessage())
            return OnShowInstance(dialog);
        return OnShellRestarted(dialog, message) ? TRUE : FALSE;
    }
}

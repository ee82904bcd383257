#include "desktop/tray_icon.h"

#include <shellapi.h>
#include <cwchar>

#include "app/app_state.h"
#include "app/bounded_text.h"
#include "desktop/program_icon.h"
#include "status/status_line.h"
#include "desktop/tray_menu.h"
#include "app/worker_control.h"
#include "resource_ids.h"

namespace {

NOTIFYICONDATAW IconData(HWND mainWindow, UINT flags)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = mainWindow;
    data.uID = kTrayIconId;
    data.uFlags = flags;
    return data;
}

// UI thread only: the status line sets it there, and the shell is told there.
wchar_t g_tip[kTrayTipChars];
bool g_iconAdded;     // the shell holds our icon
bool g_version4;      // the shell took NOTIFYICON_VERSION_4
UINT g_taskbarCreated;  // the shell's "TaskbarCreated", once registered

void CopyTip(wchar_t (&tip)[kTrayTipChars])
{
    static_assert(sizeof(NOTIFYICONDATAW{}.szTip) / sizeof(wchar_t) == size_t(kTrayTipChars),
                  "a tip is as long as the shell's field");
    std::wmemcpy(tip, g_tip, kTrayTipChars);
    tip[kTrayTipChars - 1] = L'\0';
}

// NIF_SHOWTIP: with version 4 the shell shows the tip only when asked to.
void AddIconToShell(HWND mainWindow)
{
    NOTIFYICONDATAW data = IconData(mainWindow, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
    CopyTip(data.szTip);
    // No shell yet (a start at sign-in before Explorer): "TaskbarCreated"
    // comes once there is one.
    // A shell that says "TaskbarCreated" while it still holds the icon
    // refuses a second add; the icon is then brought up to date instead.
    g_iconAdded = Shell_NotifyIconW(NIM_ADD, &data) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    if (!g_iconAdded)
        return;
    data.uVersion = NOTIFYICON_VERSION_4;
    g_version4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
}

} // namespace

void AddTrayIcon(HWND mainWindow)
{
    g_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // The manifest may run the program elevated; the shell that announces
    // itself is not, and its message would otherwise be filtered out.
    if (g_taskbarCreated != 0)
        ChangeWindowMessageFilterEx(mainWindow, g_taskbarCreated, MSGFLT_ALLOW, nullptr);
    wchar_t status[kStatusChars] = {};
    GetDlgItemTextW(mainWindow, IDC_MAIN_STATUS, status, kStatusChars);
    status[kStatusChars - 1] = L'\0';
    CopyCut(g_tip, status);
    AddIconToShell(mainWindow);
}

void RemoveTrayIcon(HWND mainWindow)
{
    if (!g_iconAdded)
        return;
    NOTIFYICONDATAW data = IconData(mainWindow, 0);
    Shell_NotifyIconW(NIM_DELETE, &data);
    g_iconAdded = false;
}

bool IsTrayIconAdded()
{
    return g_iconAdded;
}

void ShowStatusInTray(const wchar_t* text)
{
    CopyCut(g_tip, text);
    // Posted: the shell is told in one place, and a status set while the
    // window is being made comes once it exists.
    if (g_app.MainDialog != nullptr)
        PostMessageW(g_app.MainDialog, kTrayTipChangedMessage, 0, 0);
}

INT_PTR OnTrayTipChanged(HWND mainWindow)
{
    if (!g_iconAdded)
        return TRUE;
    NOTIFYICONDATAW data = IconData(mainWindow, NIF_TIP | NIF_SHOWTIP);
    CopyTip(data.szTip);
    Shell_NotifyIconW(NIM_MODIFY, &data);
    return TRUE;
}

bool OnShellRestarted(HWND mainWindow, UINT message)
{
    if (message == 0 || message != g_taskbarCreated)
        return false;
    if (!g_app.WindowClosing)
        AddIconToShell(mainWindow);
    return true;
}

void ShowMainWindowFromTray(HWND mainWindow)
{
    if (IsIconic(mainWindow))
        ShowWindow(mainWindow, SW_RESTORE);
    else if (!IsWindowVisible(mainWindow))
        ShowWindow(mainWindow, SW_SHOW);
    // A dialog open over the window (Options, Scenes...) is what takes input.
    SetForegroundWindow(GetLastActivePopup(mainWindow));
}

INT_PTR OnTrayCallback(HWND mainWindow, WPARAM wParam, LPARAM lParam)
{
    // Version 4 puts the event in the low word and the point in wParam,
    // and sends the mouse messages and then what they amount to (NIN_SELECT,
    // WM_CONTEXTMENU); the older form sends the mouse messages alone. One of
    // each pair is taken, so that a click acts once.
    const UINT event = LOWORD(lParam);
    // Any program may post this message: only what names our icon, as the
    // shell does, is taken for a click on it.
    const UINT icon = g_version4 ? HIWORD(lParam) : UINT(wParam);
    if (!g_iconAdded || icon != kTrayIconId)
        return TRUE;
    const bool select = g_version4 ? event == NIN_SELECT || event == NIN_KEYSELECT : event == WM_LBUTTONUP;
    const bool menu = g_version4 ? event == WM_CONTEXTMENU : event == WM_RBUTTONUP;
    if (g_app.WindowClosing)
        return TRUE;
    POINT at;
    if (g_version4) {
        at.x = short(LOWORD(wParam));
        at.y = short(HIWORD(wParam));
    } else {
        GetCursorPos(&at);
    }
    // While a dialog is open over the window, or Stop waits for the
    // worker, the menu's commands cannot be carried out: the window comes
    // forward instead.
    const bool busy = !IsWindowEnabled(mainWindow) || IsStopInProgress();
    if (select || (menu && busy))
        ShowMainWindowFromTray(mainWindow);
    else if (menu)
        ShowTrayMenu(mainWindow, at);
    return TRUE;
}

void OnMainWindowSized(HWND mainWindow, WPARAM kind)
{
    // Hidden, the window has no taskbar button; the tray icon brings it back.
    if (kind == SIZE_MINIMIZED && g_app.MinimizeToTray == 1 && g_iconAdded)
        ShowWindow(mainWindow, SW_HIDE);
}

void ApplyMinimizeBox(HWND mainWindow)
{
    const LONG style = GetWindowLongW(mainWindow, GWL_STYLE);
    const LONG wanted = g_app.MinimizeToTray == 1 ? style | WS_MINIMIZEBOX : style & ~WS_MINIMIZEBOX;
    if (wanted == style)
        return;
    SetWindowLongW(mainWindow, GWL_STYLE, wanted);
    SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

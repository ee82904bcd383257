// The "Network Setup" dialog. It has no cancel path: however it is closed
// (OK, Enter, the close box), what it shows becomes the setting, so the
// user never wonders whether a change was kept. Escape does nothing.
#include "app/network_setup.h"

#include <cwchar>

#include "app/app_state.h"
#include "desktop/program_icon.h"
#include "app/main_window.h"
#include "resource_ids.h"

namespace {

// A host name as typed: 254 characters and the terminator.
constexpr int kHostFieldReadChars = kRemoteHostChars - 1;

INT_PTR OnInitDialog(HWND dialog)
{
    SetProgramIcon(dialog);
    SetDlgItemTextW(dialog, IDC_SETUP_HOST, g_app.RemoteHost);
    // A role stored as neither side selects nothing, so the user sees that
    // one must be chosen.
    if (g_app.RemoteRole == kRoleGameSide)
        CheckDlgButton(dialog, IDC_SETUP_GAME_SIDE, BST_CHECKED);
    else if (g_app.RemoteRole == kRoleXSplitSide)
        CheckDlgButton(dialog, IDC_SETUP_XSPLIT_SIDE, BST_CHECKED);
    return TRUE;
}

// OK and Enter close the dialog the same way as the close box, so the
// values are applied in one place. IDCANCEL from Escape is ignored.
INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    if (wParam == IDOK)
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    return FALSE;
}

void ApplyHost(HWND dialog)
{
    wchar_t host[kRemoteHostChars] = {};
    GetDlgItemTextW(dialog, IDC_SETUP_HOST, host, kHostFieldReadChars);
    host[kHostFieldReadChars - 1] = L'\0';
    std::wmemcpy(g_app.RemoteHost, host, kRemoteHostChars);
}

// With neither button checked (a stored role of neither side, untouched)
// the role stays as it was.
void ApplyRole(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_SETUP_GAME_SIDE) == BST_CHECKED)
        g_app.RemoteRole = kRoleGameSide;
    else if (IsDlgButtonChecked(dialog, IDC_SETUP_XSPLIT_SIDE) == BST_CHECKED)
        g_app.RemoteRole = kRoleXSplitSide;
}

INT_PTR OnClose(HWND dialog)
{
    ApplyHost(dialog);
    ApplyRole(dialog);
    // The role decides whether the scene controls apply on this computer.
    UpdateControlStates();
    EndDialog(dialog, 0);
    return FALSE;
}

INT_PTR CALLBACK NetworkSetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    case WM_CLOSE:      return OnClose(dialog);
    case WM_CREATE:     return TRUE;
    default:            return FALSE;
    }
}

} // namespace

void ShowNetworkSetup(HWND owner)
{
    DialogBoxParamW(g_app.Instance, MAKEINTRESOURCEW(IDD_NETWORK_SETUP), owner, NetworkSetupDialogProc, 0);
}

// The Options dialog. Unlike Network Setup it has a cancel path: these are
// choices a streamer tries out, and Escape should leave them as they were.
// It cannot be opened while the worker runs, so a change takes effect at
// the next Start.
#include "app/options_dialog.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "patch/patch_table.h"
#include "resource_ids.h"

namespace {

INT_PTR OnInitDialog(HWND dialog)
{
    CheckRadioButton(dialog, IDC_OPTIONS_PATCH_TABLE, IDC_OPTIONS_CLIENT_API,
                     IsClientApiChosen() ? IDC_OPTIONS_CLIENT_API : IDC_OPTIONS_PATCH_TABLE);
    return TRUE;
}

// A stored value other than the two known ones reads as the patch table;
// it is replaced only when the user picks the other source.
void ApplyGameStateSource(HWND dialog)
{
    const bool clientApi = IsDlgButtonChecked(dialog, IDC_OPTIONS_CLIENT_API) == BST_CHECKED;
    if (clientApi == IsClientApiChosen())
        return;
    g_app.GameStateSource = clientApi ? kSourceClientApi : kSourcePatchTable;
    UpdateControlStates();
    // Without the table at start-up there is none yet; it comes now, and a
    // failed download ends the program as it does at start-up.
    if (!clientApi)
        StartPatchLoaderOnce();
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        ApplyGameStateSource(dialog);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:  // Cancel, Escape and the close box
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    default:            return FALSE;
    }
}

} // namespace

void ShowOptions(HWND owner)
{
    DialogBoxParamW(g_app.Instance, MAKEINTRESOURCEW(IDD_OPTIONS), owner, OptionsDialogProc, 0);
}

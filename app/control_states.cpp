#include "app/app_state.h"
#include "app/main_window.h"
#include "resource_ids.h"

bool IsMainBoxChecked(int controlId)
{
    return IsDlgButtonChecked(g_app.MainDialog, controlId) == BST_CHECKED;
}

void UpdateControlStates()
{
    g_app.RemoteEnabled = IsMainBoxChecked(IDC_MAIN_NETWORK_MODE) ? 1 : 0;
    // On the XSplit side of a network pair the game is watched on the other
    // computer, so the scene settings here would have no effect.
    const bool sceneControlsApply = !(g_app.RemoteEnabled != 0 && g_app.RemoteRole == kRoleXSplitSide);
    static const int kSceneControls[] = {
        IDC_MAIN_ENTER_SCENE, IDC_MAIN_LEAVE_SCENE, IDC_MAIN_TAB_IN_SCENE, IDC_MAIN_TAB_OUT_SCENE,
        IDC_MAIN_APPLY_ON_TAB, IDC_MAIN_APPLY_WHEN_TABBED, IDC_MAIN_PATCH_LIST,
    };
    for (int id : kSceneControls) {
        // The client API tells the game's state on any patch: no version to pick.
        const bool applies = sceneControlsApply && !(id == IDC_MAIN_PATCH_LIST && IsClientApiChosen());
        EnableWindow(GetDlgItem(g_app.MainDialog, id), applies);
    }
}

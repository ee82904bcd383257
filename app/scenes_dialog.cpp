// The Scenes dialog. Its values are read by the worker at each event, under
// the lock of settings/scene_fields.h, so unlike Options it need not wait for
// Stop: a streamer adds the replay scene between two games.
#include "app/scenes_dialog.h"

#include "app/app_state.h"
#include "desktop/program_icon.h"
#include "app/dialog_field.h"
#include "app/scene_suggestions.h"
#include "app/scenes_dialog_lists.h"
#include "settings/scene_fields.h"
#include "resource_ids.h"

namespace {

// Texts as typed: 254 characters and the terminator, like the main window's fields.
constexpr int kSceneFieldReadChars = kSituationSceneChars - 1;
constexpr int kNamesFieldReadChars = kPlayerNameListChars - 1;

// The field of each situation's scene, in the order of SituationScene.
constexpr int kSceneFields[kSituationSceneCount] = {IDC_SCENES_LOADING, IDC_SCENES_REPLAY, IDC_SCENES_OBSERVING,
                                                    IDC_SCENES_VICTORY, IDC_SCENES_DEFEAT};

INT_PTR OnInitDialog(HWND dialog)
{
    SetProgramIcon(dialog);
    for (int i = 0; i < kSituationSceneCount; ++i) {
        wchar_t name[kSituationSceneChars];
        CopySituationScene(SituationScene(i), name);
        SendDlgItemMessageW(dialog, kSceneFields[i], EM_LIMITTEXT, kSceneFieldReadChars - 1, 0);
        SetDlgItemTextW(dialog, kSceneFields[i], name);
    }
    wchar_t names[kPlayerNameListChars];
    CopyPlayerNames(names);
    SendDlgItemMessageW(dialog, IDC_SCENES_PLAYER_NAMES, EM_LIMITTEXT, kNamesFieldReadChars - 1, 0);
    SetDlgItemTextW(dialog, IDC_SCENES_PLAYER_NAMES, names);
    AttachSituationSuggestions(dialog, kSceneFields);
    AttachScenesDialogLists(dialog);
    return TRUE;
}

void ApplyFields(HWND dialog)
{
    wchar_t scenes[kSituationSceneCount][kSituationSceneChars];
    for (int i = 0; i < kSituationSceneCount; ++i)
        ReadFieldText(dialog, kSceneFields[i], scenes[i], kSceneFieldReadChars);
    wchar_t names[kPlayerNameListChars];
    ReadFieldText(dialog, IDC_SCENES_PLAYER_NAMES, names, kNamesFieldReadChars);
    ReplaceSceneSettings(scenes, names);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    if (HIWORD(wParam) == EN_CHANGE)
        MarkScenesDialogFields(dialog);
    if (HIWORD(wParam) == BN_CLICKED && OpenListOfButton(dialog, LOWORD(wParam)))
        return TRUE;
    switch (LOWORD(wParam)) {
    case IDOK:
        ApplyFields(dialog);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:  // Cancel, Escape and the close box
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR OnDestroy(HWND dialog)
{
    DetachScenesDialogLists(dialog);
    DetachSituationSuggestions();
    return FALSE;
}

INT_PTR CALLBACK ScenesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    case WM_DRAWITEM:   DrawListButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DESTROY:    return OnDestroy(dialog);
    default:            return FALSE;
    }
}

} // namespace

void ShowScenes(HWND owner)
{
    DialogBoxParamW(g_app.Instance, MAKEINTRESOURCEW(IDD_SCENES), owner, ScenesDialogProc, 0);
}

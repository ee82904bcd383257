// The main window's scene names and alt+tab options, published for the
// worker each time one changes, whoever changed it: the user typing or
// clicking, the settings at start-up, or another program setting a text
// or a check (which a check box tells its parent nothing of, so the boxes
// and, to be sure, the edits are subclassed to see it).
#include <windows.h>
#include <commctrl.h>

#include "app/dialog_field.h"
#include "app/main_window.h"
#include "app/scene_checks.h"
#include "resource_ids.h"
#include "settings/scene_fields.h"

namespace {

// A field yields at most 254 characters, as the settings store reads it.
constexpr int kFieldReadChars = kMainSceneChars - 1;

struct SceneField {
    int control;
    MainScene scene;
};

constexpr SceneField kSceneFields[] = {
    {IDC_MAIN_ENTER_SCENE, kEnterGameScene},
    {IDC_MAIN_LEAVE_SCENE, kLeaveGameScene},
    {IDC_MAIN_TAB_IN_SCENE, kTabInScene},
    {IDC_MAIN_TAB_OUT_SCENE, kTabOutScene},
};

constexpr int kOptionBoxes[] = {IDC_MAIN_APPLY_ON_TAB, IDC_MAIN_APPLY_WHEN_TABBED};

constexpr UINT_PTR kFieldSubclassId = 1;

LRESULT CALLBACK WatchFieldChanges(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
    if (message == WM_SETTEXT || message == BM_SETCHECK)
        PublishMainWindowField(GetParent(control), GetDlgCtrlID(control));
    // A text set (by the settings, a chosen suggestion, a followed rename
    // or another program) is no typing under way: it is checked at once.
    if (message == WM_SETTEXT)
        CheckSceneFields(GetParent(control));
    // Down opens a field's list (Wine's autocomplete takes no Alt+Down).
    const bool isSceneField = GetDlgCtrlID(control) != IDC_MAIN_APPLY_ON_TAB &&
                              GetDlgCtrlID(control) != IDC_MAIN_APPLY_WHEN_TABBED;
    if (isSceneField && message == WM_KEYDOWN && wParam == VK_DOWN)
        SayWhyNothingIsListed(control);
    else if (isSceneField && (message == WM_KEYDOWN || message == WM_CHAR || message == WM_KILLFOCUS))
        HideWhyNothingIsListed(control);
    return result;
}

} // namespace

void PublishMainWindowField(HWND dialog, int controlId)
{
    for (const SceneField& field : kSceneFields) {
        if (field.control != controlId)
            continue;
        wchar_t name[kMainSceneChars];
        ReadFieldText(dialog, field.control, name, kFieldReadChars);
        PublishMainScene(field.scene, name);
        return;
    }
    if (controlId == IDC_MAIN_APPLY_ON_TAB || controlId == IDC_MAIN_APPLY_WHEN_TABBED)
        PublishTabOptions({IsDlgButtonChecked(dialog, IDC_MAIN_APPLY_ON_TAB) == BST_CHECKED,
                           IsDlgButtonChecked(dialog, IDC_MAIN_APPLY_WHEN_TABBED) == BST_CHECKED});
}

void WatchMainWindowFields(HWND dialog)
{
    for (const SceneField& field : kSceneFields) {
        SetWindowSubclass(GetDlgItem(dialog, field.control), WatchFieldChanges, kFieldSubclassId, 0);
        PublishMainWindowField(dialog, field.control);
    }
    for (int box : kOptionBoxes)
        SetWindowSubclass(GetDlgItem(dialog, box), WatchFieldChanges, kFieldSubclassId, 0);
    PublishMainWindowField(dialog, IDC_MAIN_APPLY_ON_TAB);
}

void StopWatchingMainWindowFields(HWND dialog)
{
    for (const SceneField& field : kSceneFields)
        RemoveWindowSubclass(GetDlgItem(dialog, field.control), WatchFieldChanges, kFieldSubclassId);
    for (int box : kOptionBoxes)
        RemoveWindowSubclass(GetDlgItem(dialog, box), WatchFieldChanges, kFieldSubclassId);
}

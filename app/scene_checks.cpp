#include "app/scene_checks.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "app/app_state.h"
#include "app/bounded_text.h"
#include "app/dialog_field.h"
#include "app/field_balloons.h"
#include "app/main_window.h"
#include "app/worker_control.h"
#include "resource_ids.h"
#include "scenes/nearest_scene.h"
#include "scenes/scene_fetch.h"
#include "scenes/scene_list.h"
#include "settings/scene_fields.h"
#include "status/status_line.h"

namespace {

constexpr int kMainFields[kMainSceneCount] = {IDC_MAIN_ENTER_SCENE, IDC_MAIN_LEAVE_SCENE, IDC_MAIN_TAB_IN_SCENE,
                                              IDC_MAIN_TAB_OUT_SCENE};
// A field yields at most 254 characters, as the settings store reads it.
constexpr int kFieldReadChars = kMainSceneChars - 1;
constexpr int kBalloonChars = 300;
// A list fetched while nothing is watched is fetched again when a field's
// list is opened this long after: OBS tells no one outside a live link of
// a scene created or renamed, nor XSplit of a button added.
constexpr ULONGLONG kListFreshMs = 5000;

// UI thread only. What each main field was last marked for (empty: not
// marked), so that a balloon is shown once for a name and not at every look.
std::wstring g_markedNames[kMainSceneCount];

// The list, when it is of the broadcaster chosen now and this computer
// drives that broadcaster (in network mode neither side's fields switch
// anything here that could be listed).
bool UsableList(SceneListCopy* list)
{
    if (IsMainBoxChecked(IDC_MAIN_NETWORK_MODE))
        return false;
    *list = CopySceneList();
    const bool obsList = std::wcscmp(list->broadcaster, L"OBS Studio") == 0;
    return list->state == SceneListState::Known && obsList == IsObsChosen();
}

bool IsListed(const std::vector<std::wstring>& scenes, const wchar_t* name)
{
    return std::find(scenes.begin(), scenes.end(), name) != scenes.end();
}

// "Scene 'Game' is now 'Game 1440p' in OBS Studio; Kestrelcue follows it."
void SayRenameFollowed(const SceneRename& rename)
{
    wchar_t status[kStatusChars], rest[kStatusChars];
    FormatStatus(status, L"Scene '%s' is now '", rename.oldName.c_str());
    FormatStatus(rest, L"%s' in OBS Studio; Kestrelcue follows it.", rename.newName.c_str());
    wcsncat(status, rest, kStatusChars - 1 - wcslen(status));
    SetStatusLine(status);
}

// The fields holding the old name take the new one, each stored as it is
// stored today: the main window's with the window, the situations' with
// the other settings.
bool FollowRename(HWND dialog, const SceneRename& rename)
{
    bool followed = false;
    for (int control : kMainFields) {
        wchar_t name[kMainSceneChars];
        ReadFieldText(dialog, control, name, kFieldReadChars);
        if (rename.oldName == name) {
            SetDlgItemTextW(dialog, control, rename.newName.c_str());
            followed = true;
        }
    }
    for (int i = 0; i < kSituationSceneCount; ++i) {
        wchar_t name[kSituationSceneChars];
        CopySituationScene(SituationScene(i), name);
        if (rename.oldName == name) {
            PublishSituationScene(SituationScene(i), rename.newName.c_str());
            followed = true;
        }
    }
    return followed;
}

void MarkField(HWND dialog, int which, const wchar_t* name, const std::vector<std::wstring>* scenes,
               const wchar_t* broadcaster)
{
    const std::wstring marked = scenes != nullptr ? name : L"";
    if (g_markedNames[which] == marked)
        return;
    g_markedNames[which] = marked;
    HWND field = GetDlgItem(dialog, kMainFields[which]);
    if (scenes == nullptr) {
        HideFieldBalloon(field);
        return;
    }
    wchar_t title[kStatusChars], text[kBalloonChars];
    FormatStatus(title, L"Not a scene of %s", broadcaster);
    const int nearest = NearestScene(name, *scenes);
    text[0] = L'\0';
    if (nearest != kNoNearestScene) {
        wchar_t question[kStatusChars];
        FormatStatus(question, L"Did you mean '%s'?", (*scenes)[size_t(nearest)].c_str());
        wcsncpy(text, question, kBalloonChars - 1);
        text[kBalloonChars - 1] = L'\0';
    }
    ShowFieldBalloon(field, title, text, TTI_WARNING);
}

// Why nothing can be listed, in one line; the broadcaster's name put in
// where the text has %s.
struct GapText {
    SceneListGap gap;
    const wchar_t* text;
};

const GapText kGapTexts[] = {
    {SceneListGap::Asking, L"No scenes to list yet: asking %s."},
    {SceneListGap::NotRunning, L"No scenes to list: %s is not running."},
    {SceneListGap::Failed, L"No scenes to list: %s could not be asked (see Options)."},
    {SceneListGap::TimedOut, L"No scenes to list: %s did not answer in time."},
};

const wchar_t* ChosenBroadcaster()
{
    return IsObsChosen() ? L"OBS Studio" : L"XSplit";
}

void WhyNoScenes(const SceneListCopy& list, bool usable, wchar_t (&why)[kStatusChars])
{
    if (IsMainBoxChecked(IDC_MAIN_NETWORK_MODE)) {
        const bool gameSide = g_app.RemoteRole != kRoleXSplitSide;
        CopyCut(why, gameSide ? L"No scenes to list: in network mode this computer cannot see the broadcaster."
                              : L"No scenes to list: in network mode the game computer names the scenes.");
        return;
    }
    if (usable) {
        FormatStatus(why, L"No scenes to list: %s has no scenes.", list.broadcaster);
        return;
    }
    const bool sameBroadcaster = std::wcscmp(list.broadcaster, ChosenBroadcaster()) == 0;
    const SceneListGap gap = sameBroadcaster ? list.gap : SceneListGap::Asking;
    for (const GapText& row : kGapTexts) {
        if (row.gap == gap)
            FormatStatus(why, row.text, ChosenBroadcaster());
    }
}

} // namespace

void OnSceneListChanged(HWND dialog)
{
    for (const SceneRename& rename : TakeSceneRenames()) {
        if (FollowRename(dialog, rename))
            SayRenameFollowed(rename);
    }
    CheckSceneFields(dialog);
}

void CheckSceneFields(HWND dialog)
{
    SceneListCopy list;
    const bool usable = UsableList(&list);
    // The field being typed in is checked once it is left: a mark there
    // would stand over its own list and judge a name half typed.
    const HWND typing = GetFocus();
    for (int i = 0; i < kMainSceneCount; ++i) {
        wchar_t name[kMainSceneChars];
        ReadFieldText(dialog, kMainFields[i], name, kFieldReadChars);
        const bool missing = usable && name[0] != L'\0' && !IsListed(list.scenes, name) &&
                             GetDlgItem(dialog, kMainFields[i]) != typing;
        MarkField(dialog, i, name, missing ? &list.scenes : nullptr, list.broadcaster);
    }
    // The status line names what the switches would meet, the field being
    // typed in included; its mark waits until it is left.
    SayFirstMissingScene(usable ? FirstMissingScene(list) : std::wstring(), list.broadcaster);
}

bool SceneListForFields(std::vector<std::wstring>* scenes, wchar_t (*why)[kStatusChars])
{
    SceneListCopy list;
    const bool usable = UsableList(&list);
    const bool fetchable = !IsMainBoxChecked(IDC_MAIN_NETWORK_MODE) && !IsWatchRequested();
    if (fetchable && (!usable || GetTickCount64() - list.learnedAt > kListFreshMs))
        FetchScenesInTheBackground();
    const bool listed = usable && !list.scenes.empty();
    if (why != nullptr && !listed)
        WhyNoScenes(list, usable, *why);
    if (usable)
        *scenes = std::move(list.scenes);
    return listed;
}

void HideWhyNothingIsListed(HWND field)
{
    for (int i = 0; i < kMainSceneCount; ++i) {
        if (GetDlgItem(GetParent(field), kMainFields[i]) == field && g_markedNames[i].empty())
            HideFieldBalloon(field);
    }
}

void SayWhyNothingIsListed(HWND field)
{
    std::vector<std::wstring> scenes;
    wchar_t why[kStatusChars];
    if (!SceneListForFields(&scenes, &why))
        ShowFieldBalloon(field, L"", why, TTI_NONE);
    else
        HideWhyNothingIsListed(field);
}

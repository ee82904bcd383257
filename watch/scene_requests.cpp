// Scene requests: each watch event names a slot, and the slot's scene name
// is whatever its field holds at that moment.
#include "watch/watch.h"
#include "watch/paused_requests.h"

#include "app/app_state.h"
#include "settings/scene_fields.h"
#include "status/status_line.h"
#include "relay/relay.h"
#include "resource_ids.h"
#include "watch/broadcaster.h"

namespace {

static_assert(kSituationSceneChars == kSceneNameChars, "a situation's scene is a scene name");

// For the main window's slots, whose names are in its fields.
constexpr SituationScene kNoSituation = kSituationSceneCount;

struct SlotInfo {
    SceneSlot slot;
    int editControl;            // the main window's field; 0 for a scene of the Scenes dialog
    SituationScene situation;   // which of those, when editControl is 0
    const wchar_t* statusText;
};

constexpr SlotInfo kSlots[] = {
    {SceneSlot::EnterGameScene, IDC_MAIN_ENTER_SCENE,   kNoSituation,    L"Last event: Switch to enter game scene."},
    {SceneSlot::LeaveGameScene, IDC_MAIN_LEAVE_SCENE,   kNoSituation,    L"Last event: Switch to leave game scene."},
    {SceneSlot::TabInScene,     IDC_MAIN_TAB_IN_SCENE,  kNoSituation,    L"Last event: Switch to tab in scene."},
    {SceneSlot::TabOutScene,    IDC_MAIN_TAB_OUT_SCENE, kNoSituation,    L"Last event: Switch to tab out scene."},
    {SceneSlot::LoadingScene,   0,                      kLoadingScene,   L"Last event: Switch to loading scene."},
    {SceneSlot::ReplayScene,    0,                      kReplayScene,    L"Last event: Switch to replay scene."},
    {SceneSlot::ObservingScene, 0,                      kObservingScene, L"Last event: Switch to observing scene."},
    {SceneSlot::VictoryScene,   0,                      kVictoryScene,   L"Last event: Switch to victory scene."},
    {SceneSlot::DefeatScene,    0,                      kDefeatScene,    L"Last event: Switch to defeat scene."},
};

// Each situation's own slot, and the one it falls back on while its own
// has no scene: a game of any kind on the map is a game, and every screen
// that is not one is what "When leaving a game" has always been for.
struct SituationRow {
    Situation situation;
    SceneSlot slot;
    SceneSlot whenEmpty;
};

constexpr SituationRow kSituationSlots[] = {
    {Situation::Playing,   SceneSlot::EnterGameScene, SceneSlot::EnterGameScene},
    {Situation::Observing, SceneSlot::ObservingScene, SceneSlot::EnterGameScene},
    {Situation::Replay,    SceneSlot::ReplayScene,    SceneSlot::EnterGameScene},
    {Situation::Loading,   SceneSlot::LoadingScene,   SceneSlot::LeaveGameScene},
    {Situation::AfterWin,  SceneSlot::VictoryScene,   SceneSlot::LeaveGameScene},
    {Situation::AfterLoss, SceneSlot::DefeatScene,    SceneSlot::LeaveGameScene},
    {Situation::AfterGame, SceneSlot::LeaveGameScene, SceneSlot::LeaveGameScene},
    {Situation::Menus,     SceneSlot::LeaveGameScene, SceneSlot::LeaveGameScene},
};

const SlotInfo& SlotInfoOf(SceneSlot slot)
{
    for (const SlotInfo& info : kSlots) {
        if (info.slot == slot)
            return info;
    }
    return kSlots[0];
}

// The slot's scene name as it is at this moment, always terminated.
void ReadSlotName(const SlotInfo& info, wchar_t (&name)[kSceneNameChars])
{
    if (info.editControl == 0) {
        CopySituationScene(info.situation, name);
        return;
    }
    // A field yields at most 254 characters; the last one stays a terminator.
    constexpr int kFieldReadChars = kSceneNameChars - 1;
    name[0] = L'\0';
    GetDlgItemTextW(g_app.MainDialog, info.editControl, name, kFieldReadChars);
    name[kSceneNameChars - 1] = L'\0';
}

} // namespace

bool SlotForSituation(Situation situation, SceneSlot* slot)
{
    for (const SituationRow& row : kSituationSlots) {
        if (row.situation != situation)
            continue;
        *slot = row.slot;
        if (row.whenEmpty != row.slot) {
            wchar_t name[kSceneNameChars];
            ReadSlotName(SlotInfoOf(row.slot), name);
            if (name[0] == L'\0')
                *slot = row.whenEmpty;
        }
        return true;
    }
    return false;
}

void SwitchToSlot(SceneSlot slot)
{
    const SlotInfo& info = SlotInfoOf(slot);
    SetStatusLine(info.statusText);
    wchar_t name[kSceneNameChars];
    ReadSlotName(info, name);
    if (name[0] == L'\0')
        return;
    RequestScene(name);
}

void RequestScene(const wchar_t* name)
{
    wchar_t scene[kSceneNameChars];
    // cppcheck-suppress lstrcpynWCalled ; both texts are valid and the copy is cut and terminated within the bound
    lstrcpynW(scene, name, kSceneNameChars);
    if (IsSceneRequestHeld(scene))
        return;
    OutputDebugStringW(L"Switching Scene");
    if (g_app.RemoteEnabled != 0 && g_app.RemoteRole == kRoleGameSide)
        SendSceneToRemote(scene);
    else
        SwitchBroadcasterScene(scene);
}

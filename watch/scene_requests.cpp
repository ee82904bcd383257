// Scene requests: each watch event names a slot, and the slot's scene name
// is whatever its field holds at that moment.
#include "watch/watch.h"
#include "watch/paused_requests.h"

#include "app/app_state.h"
#include "settings/scene_fields.h"
#include "status/status_line.h"
#include "relay/relay.h"
#include "watch/broadcaster.h"

namespace {

static_assert(kSituationSceneChars == kSceneNameChars, "a situation's scene is a scene name");

static_assert(kMainSceneChars == kSceneNameChars, "a main window's scene is a scene name");

// For the Scenes dialog's slots, and for the main window's.
constexpr SituationScene kNoSituation = kSituationSceneCount;
constexpr MainScene kNoMainScene = kMainSceneCount;

struct SlotInfo {
    SceneSlot slot;
    MainScene mainScene;        // the main window's field; kNoMainScene for a scene of the Scenes dialog
    SituationScene situation;   // which of those, when mainScene is kNoMainScene
    const wchar_t* statusText;
};

constexpr SlotInfo kSlots[] = {
    {SceneSlot::EnterGameScene, kEnterGameScene, kNoSituation,    L"Last event: Switch to enter game scene."},
    {SceneSlot::LeaveGameScene, kLeaveGameScene, kNoSituation,    L"Last event: Switch to leave game scene."},
    {SceneSlot::TabInScene,     kTabInScene,     kNoSituation,    L"Last event: Switch to tab in scene."},
    {SceneSlot::TabOutScene,    kTabOutScene,    kNoSituation,    L"Last event: Switch to tab out scene."},
    {SceneSlot::LoadingScene,   kNoMainScene,    kLoadingScene,   L"Last event: Switch to loading scene."},
    {SceneSlot::ReplayScene,    kNoMainScene,    kReplayScene,    L"Last event: Switch to replay scene."},
    {SceneSlot::ObservingScene, kNoMainScene,    kObservingScene, L"Last event: Switch to observing scene."},
    {SceneSlot::VictoryScene,   kNoMainScene,    kVictoryScene,   L"Last event: Switch to victory scene."},
    {SceneSlot::DefeatScene,    kNoMainScene,    kDefeatScene,    L"Last event: Switch to defeat scene."},
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
    if (info.mainScene == kNoMainScene)
        CopySituationScene(info.situation, name);
    else
        CopyMainScene(info.mainScene, name);
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

void SwitchToSlot(WorkerRun* run, SceneSlot slot)
{
    const SlotInfo& info = SlotInfoOf(slot);
    SetStatusLine(info.statusText);
    wchar_t name[kSceneNameChars];
    ReadSlotName(info, name);
    if (name[0] == L'\0')
        return;
    RequestScene(run, name);
}

void RequestScene(WorkerRun* run, const wchar_t* name)
{
    wchar_t scene[kSceneNameChars];
    // cppcheck-suppress lstrcpynWCalled ; both texts are valid and the copy is cut and terminated within the bound
    lstrcpynW(scene, name, kSceneNameChars);
    if (IsSceneRequestHeld(scene))
        return;
    OutputDebugStringW(L"Switching Scene");
    if (IsGameSideOfPair(run->settings))
        SendSceneToRemote(run->settings.remoteHost, scene);
    else
        SwitchBroadcasterScene(run, scene);
}

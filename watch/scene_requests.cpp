// Scene requests: each watch event names a slot, and the slot's scene name
// is whatever its field holds at that moment.
#include "watch/watch.h"

#include "app/app_state.h"
#include "app/status_line.h"
#include "relay/relay.h"
#include "resource_ids.h"
#include "watch/broadcaster.h"

namespace {

struct SlotInfo {
    int editControl;
    const wchar_t* statusText;
};

SlotInfo SlotInfoOf(SceneSlot slot)
{
    switch (slot) {
    case SceneSlot::EnterGameScene: return {IDC_MAIN_ENTER_SCENE, L"Last event: Switch to enter game scene."};
    case SceneSlot::LeaveGameScene: return {IDC_MAIN_LEAVE_SCENE, L"Last event: Switch to leave game scene."};
    case SceneSlot::TabInScene:     return {IDC_MAIN_TAB_IN_SCENE, L"Last event: Switch to tab in scene."};
    case SceneSlot::TabOutScene:    return {IDC_MAIN_TAB_OUT_SCENE, L"Last event: Switch to tab out scene."};
    }
    return {0, L""};
}

} // namespace

void SwitchToSlot(SceneSlot slot)
{
    const SlotInfo info = SlotInfoOf(slot);
    SetStatusLine(info.statusText);
    // A field yields at most 254 characters; the last one stays a terminator.
    constexpr int kFieldReadChars = kSceneNameChars - 1;
    wchar_t name[kSceneNameChars] = {};
    GetDlgItemTextW(g_app.MainDialog, info.editControl, name, kFieldReadChars);
    name[kSceneNameChars - 1] = L'\0';
    if (name[0] == L'\0')
        return;
    RequestScene(name);
}

void ApplyGameState(GameState state)
{
    if (state == GameState::NotInGame)
        SwitchToSlot(SceneSlot::LeaveGameScene);
    else if (state == GameState::InGame)
        SwitchToSlot(SceneSlot::EnterGameScene);
}

void RequestScene(const wchar_t* name)
{
    wchar_t scene[kSceneNameChars];
    // cppcheck-suppress lstrcpynWCalled ; both texts are valid and the copy is cut and terminated within the bound
    lstrcpynW(scene, name, kSceneNameChars);
    OutputDebugStringW(L"Switching Scene");
    if (g_app.RemoteEnabled != 0 && g_app.RemoteRole == kRoleGameSide)
        SendSceneToRemote(scene);
    else
        SwitchBroadcasterScene(scene);
}

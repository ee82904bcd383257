// The watch worker and the scene requests it makes.
#pragma once
#include <windows.h>
#include "watch/game_state.h"
#include "watch/situation.h"
#include "watch/worker_run.h"

// The body of the watch worker thread, for the run it was given. Exit code
// 1 when Stop ended it, 0 when the relay receiver returned.
DWORD RunWatchLoop(WorkerRun* run);

// The main window's four slots, then those of the situations only the
// game's client API tells (their names are set in the Scenes dialog).
enum class SceneSlot {
    EnterGameScene,
    LeaveGameScene,
    TabInScene,
    TabOutScene,
    LoadingScene,
    ReplayScene,
    ObservingScene,
    VictoryScene,
    DefeatScene,
};

// A scene name: 255 characters and the terminator.
constexpr int kSceneNameChars = 256;

// The slot a situation switches to: its own, or the one it falls back on
// while its own has no scene. False for Situation::None, which switches
// nothing.
bool SlotForSituation(Situation situation, SceneSlot* slot);

// Shows the slot's "Last event" text and requests the scene typed into its field, if any.
void SwitchToSlot(WorkerRun* run, SceneSlot slot);
// Switches to the named scene on this computer, or sends it to the XSplit side.
void RequestScene(WorkerRun* run, const wchar_t* name);

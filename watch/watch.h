// The watch worker and the scene requests it makes.
#pragma once
#include <windows.h>
#include "watch/game_state.h"

// The body of the watch worker thread. Exit code 1 when Stop ended it, 0
// when the relay receiver returned.
DWORD WINAPI RunWatchLoop(void* unused);

enum class SceneSlot { EnterGameScene, LeaveGameScene, TabInScene, TabOutScene };

// A scene name: 255 characters and the terminator.
constexpr int kSceneNameChars = 256;

// Shows the slot's "Last event" text and requests the scene typed into its field, if any.
void SwitchToSlot(SceneSlot slot);
// The enter-game scene for InGame, the leave-game scene for NotInGame, nothing otherwise.
void ApplyGameState(GameState state);
// Switches to the named scene on this computer, or sends it to the XSplit side.
void RequestScene(const wchar_t* name);

// The scene names, options and player names that the worker reads at each
// event, as the user last left them: the main window's four fields and two
// alt+tab options, the situations' scenes and the user's names. The UI
// thread publishes each change here (typing, a text or a check set by
// another program, the Scenes dialog, the settings at start-up); the worker
// copies them under this module's lock and never asks the window.
#pragma once
#include "app/app_state.h"

enum MainScene { kEnterGameScene, kLeaveGameScene, kTabInScene, kTabOutScene, kMainSceneCount };
// A main window's scene name as typed (254) or read back (255), plus terminator.
constexpr int kMainSceneChars = 256;

struct TabOptions {
    bool applyOnTab;       // "Apply game status on alt+tab"
    bool applyWhenTabbed;  // "Apply game status when tabbed out"
};

// UI thread.
void PublishMainScene(MainScene which, const wchar_t* name);
void PublishTabOptions(TabOptions options);
void PublishSituationScene(SituationScene which, const wchar_t* name);
void PublishPlayerNames(const wchar_t* names);
// The Scenes dialog's OK: all of them at once, so no event sees half of it.
void ReplaceSceneSettings(const wchar_t (&scenes)[kSituationSceneCount][kSituationSceneChars],
                          const wchar_t (&names)[kPlayerNameListChars]);

// Any thread: copies under the shared lock.
void CopyMainScene(MainScene which, wchar_t (&name)[kMainSceneChars]);
TabOptions CopyTabOptions();
void CopySituationScene(SituationScene which, wchar_t (&name)[kSituationSceneChars]);
void CopyPlayerNames(wchar_t (&names)[kPlayerNameListChars]);
bool IsSituationSceneSet(SituationScene which);

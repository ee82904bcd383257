// The situations' scenes and the user's names, which the Scenes dialog
// changes while the worker may be reading them: every access goes through
// AppState.SceneSettingsLock, so a name is never read half written.
#pragma once
#include "app/app_state.h"

// Worker (and UI thread): copies under the shared lock.
void CopySituationScene(SituationScene which, wchar_t (&name)[kSituationSceneChars]);
void CopyPlayerNames(wchar_t (&names)[kPlayerNameListChars]);
bool IsSituationSceneSet(SituationScene which);

// UI thread: replaces them all at once under the exclusive lock.
void ReplaceSceneSettings(const wchar_t (&scenes)[kSituationSceneCount][kSituationSceneChars],
                          const wchar_t (&names)[kPlayerNameListChars]);

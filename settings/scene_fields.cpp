#include "settings/scene_fields.h"

#include "app/bounded_text.h"

void CopySituationScene(SituationScene which, wchar_t (&name)[kSituationSceneChars])
{
    AcquireSRWLockShared(&g_app.SceneSettingsLock);
    CopyCut(name, g_app.SituationScenes[which]);
    ReleaseSRWLockShared(&g_app.SceneSettingsLock);
}

void CopyPlayerNames(wchar_t (&names)[kPlayerNameListChars])
{
    AcquireSRWLockShared(&g_app.SceneSettingsLock);
    CopyCut(names, g_app.PlayerNames);
    ReleaseSRWLockShared(&g_app.SceneSettingsLock);
}

bool IsSituationSceneSet(SituationScene which)
{
    AcquireSRWLockShared(&g_app.SceneSettingsLock);
    const bool set = g_app.SituationScenes[which][0] != L'\0';
    ReleaseSRWLockShared(&g_app.SceneSettingsLock);
    return set;
}

void ReplaceSceneSettings(const wchar_t (&scenes)[kSituationSceneCount][kSituationSceneChars],
                          const wchar_t (&names)[kPlayerNameListChars])
{
    AcquireSRWLockExclusive(&g_app.SceneSettingsLock);
    for (int i = 0; i < kSituationSceneCount; ++i)
        CopyCut(g_app.SituationScenes[i], scenes[i]);
    CopyCut(g_app.PlayerNames, names);
    ReleaseSRWLockExclusive(&g_app.SceneSettingsLock);
}

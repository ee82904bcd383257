#include "settings/scene_fields.h"

#include "app/bounded_text.h"

namespace {

// Written by the UI thread only, under the exclusive lock; read under the
// shared lock by whoever copies.
SRWLOCK g_lock = SRWLOCK_INIT;
wchar_t g_mainScenes[kMainSceneCount][kMainSceneChars];
TabOptions g_tabOptions;
wchar_t g_situationScenes[kSituationSceneCount][kSituationSceneChars];
wchar_t g_playerNames[kPlayerNameListChars];

template <size_t N>
void ReplaceText(wchar_t (&field)[N], const wchar_t* text)
{
    AcquireSRWLockExclusive(&g_lock);
    CopyCut(field, text);
    ReleaseSRWLockExclusive(&g_lock);
}

template <size_t N>
void CopyText(wchar_t (&to)[N], const wchar_t (&field)[N])
{
    AcquireSRWLockShared(&g_lock);
    CopyCut(to, field);
    ReleaseSRWLockShared(&g_lock);
}

} // namespace

void PublishMainScene(MainScene which, const wchar_t* name)
{
    ReplaceText(g_mainScenes[which], name);
}

void PublishTabOptions(TabOptions options)
{
    AcquireSRWLockExclusive(&g_lock);
    g_tabOptions = options;
    ReleaseSRWLockExclusive(&g_lock);
}

void PublishSituationScene(SituationScene which, const wchar_t* name)
{
    ReplaceText(g_situationScenes[which], name);
}

void PublishPlayerNames(const wchar_t* names)
{
    ReplaceText(g_playerNames, names);
}

void ReplaceSceneSettings(const wchar_t (&scenes)[kSituationSceneCount][kSituationSceneChars],
                          const wchar_t (&names)[kPlayerNameListChars])
{
    AcquireSRWLockExclusive(&g_lock);
    for (int i = 0; i < kSituationSceneCount; ++i)
        CopyCut(g_situationScenes[i], scenes[i]);
    CopyCut(g_playerNames, names);
    ReleaseSRWLockExclusive(&g_lock);
}

void CopyMainScene(MainScene which, wchar_t (&name)[kMainSceneChars])
{
    CopyText(name, g_mainScenes[which]);
}

TabOptions CopyTabOptions()
{
    AcquireSRWLockShared(&g_lock);
    const TabOptions options = g_tabOptions;
    ReleaseSRWLockShared(&g_lock);
    return options;
}

void CopySituationScene(SituationScene which, wchar_t (&name)[kSituationSceneChars])
{
    CopyText(name, g_situationScenes[which]);
}

void CopyPlayerNames(wchar_t (&names)[kPlayerNameListChars])
{
    CopyText(names, g_playerNames);
}

bool IsSituationSceneSet(SituationScene which)
{
    AcquireSRWLockShared(&g_lock);
    const bool set = g_situationScenes[which][0] != L'\0';
    ReleaseSRWLockShared(&g_lock);
    return set;
}

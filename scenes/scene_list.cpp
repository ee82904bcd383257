#include "scenes/scene_list.h"

#include <algorithm>

#include <cwchar>

#include "app/app_state.h"
#include "settings/scene_fields.h"
#include "status/status_line.h"

namespace {

// Renames queued while the window has not yet taken them; more are dropped.
constexpr size_t kMostQueuedRenames = 64;

// Written by any thread under the exclusive lock, read under the shared one.
SRWLOCK g_lock = SRWLOCK_INIT;
SceneListState g_state = SceneListState::Unknown;
std::vector<std::wstring> g_scenes;
bool g_obs = false;
SceneListGap g_gap = SceneListGap::Asking;
ULONGLONG g_learnedAt = 0;
std::vector<SceneRename> g_renames;
std::wstring g_missingSaid;

std::wstring Bounded(const std::wstring& name)
{
    return name.substr(0, kSceneListNameChars);
}

// The window looks at the list when it gets to it; nobody waits for that.
void WakeWindow()
{
    if (g_app.MainDialog != nullptr)
        PostMessageW(g_app.MainDialog, kSceneListChangedMessage, 0, 0);
}

} // namespace

void ReplaceSceneList(const std::vector<std::wstring>& scenes, bool obs)
{
    std::vector<std::wstring> bounded;
    for (size_t i = 0; i < scenes.size() && i < kMostScenes; ++i)
        bounded.push_back(Bounded(scenes[i]));
    AcquireSRWLockExclusive(&g_lock);
    const bool changed = g_state != SceneListState::Known || g_obs != obs || g_scenes != bounded;
    g_scenes.swap(bounded);
    g_obs = obs;
    g_state = SceneListState::Known;
    g_learnedAt = GetTickCount64();
    ReleaseSRWLockExclusive(&g_lock);
    if (changed)
        WakeWindow();
}

void AddSceneToList(const std::wstring& scene)
{
    const std::wstring name = Bounded(scene);
    AcquireSRWLockExclusive(&g_lock);
    const bool added = g_state == SceneListState::Known && g_scenes.size() < kMostScenes &&
                       std::find(g_scenes.begin(), g_scenes.end(), name) == g_scenes.end();
    if (added)
        g_scenes.push_back(name);
    ReleaseSRWLockExclusive(&g_lock);
    if (added)
        WakeWindow();
}

void RemoveSceneFromList(const std::wstring& scene)
{
    const std::wstring name = Bounded(scene);
    AcquireSRWLockExclusive(&g_lock);
    const auto at = std::find(g_scenes.begin(), g_scenes.end(), name);
    const bool removed = at != g_scenes.end();
    if (removed)
        g_scenes.erase(at);
    ReleaseSRWLockExclusive(&g_lock);
    if (removed)
        WakeWindow();
}

void RenameSceneInList(const std::wstring& oldName, const std::wstring& newName)
{
    const std::wstring from = Bounded(oldName), to = Bounded(newName);
    AcquireSRWLockExclusive(&g_lock);
    const auto at = std::find(g_scenes.begin(), g_scenes.end(), from);
    if (at != g_scenes.end())
        *at = to;
    if (g_renames.size() < kMostQueuedRenames)
        g_renames.push_back({from, to});
    ReleaseSRWLockExclusive(&g_lock);
    WakeWindow();
}

void ForgetSceneList(SceneListGap why, bool obs)
{
    AcquireSRWLockExclusive(&g_lock);
    const bool changed = g_state != SceneListState::Unknown || g_gap != why || g_obs != obs;
    g_state = SceneListState::Unknown;
    g_scenes.clear();
    g_gap = why;
    g_obs = obs;
    ReleaseSRWLockExclusive(&g_lock);
    if (changed)
        WakeWindow();
}

void NoteSceneListAsked(bool obs)
{
    AcquireSRWLockExclusive(&g_lock);
    const bool changed = g_state != SceneListState::Known && (g_gap != SceneListGap::Asking || g_obs != obs);
    if (changed) {
        g_gap = SceneListGap::Asking;
        g_obs = obs;
    }
    ReleaseSRWLockExclusive(&g_lock);
    if (changed)
        WakeWindow();
}

std::wstring WideSceneName(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], units);
    return wide;
}

std::vector<std::wstring> WideSceneNames(const std::vector<std::string>& utf8)
{
    std::vector<std::wstring> wide;
    for (const std::string& name : utf8)
        wide.push_back(WideSceneName(name));
    return wide;
}

SceneListCopy CopySceneList()
{
    SceneListCopy copy;
    AcquireSRWLockShared(&g_lock);
    copy.state = g_state;
    copy.scenes = g_scenes;
    copy.broadcaster = g_obs ? L"OBS Studio" : L"XSplit";
    copy.gap = g_gap;
    copy.learnedAt = g_learnedAt;
    ReleaseSRWLockShared(&g_lock);
    return copy;
}

std::vector<SceneRename> TakeSceneRenames()
{
    std::vector<SceneRename> renames;
    AcquireSRWLockExclusive(&g_lock);
    renames.swap(g_renames);
    ReleaseSRWLockExclusive(&g_lock);
    return renames;
}

void SayFirstMissingScene(const std::wstring& name, const wchar_t* broadcaster)
{
    AcquireSRWLockExclusive(&g_lock);
    const bool news = g_missingSaid != name;
    g_missingSaid = name;
    ReleaseSRWLockExclusive(&g_lock);
    if (!news || name.empty())
        return;
    wchar_t status[kStatusChars], rest[kStatusChars];
    FormatStatus(status, L"Check the scene names: '%s' is not a scene of ", name.c_str());
    FormatStatus(rest, L"%s.", broadcaster);
    wcsncat(status, rest, kStatusChars - 1 - wcslen(status));
    SetStatusLine(status);
}

std::wstring FirstMissingScene(const SceneListCopy& list)
{
    if (list.state != SceneListState::Known)
        return std::wstring();
    const auto missing = [&](const wchar_t* name) {
        return name[0] != L'\0' && std::find(list.scenes.begin(), list.scenes.end(), name) == list.scenes.end();
    };
    for (int i = 0; i < kMainSceneCount; ++i) {
        wchar_t name[kMainSceneChars];
        CopyMainScene(MainScene(i), name);
        if (missing(name))
            return name;
    }
    for (int i = 0; i < kSituationSceneCount; ++i) {
        wchar_t name[kSituationSceneChars];
        CopySituationScene(SituationScene(i), name);
        if (missing(name))
            return name;
    }
    return std::wstring();
}

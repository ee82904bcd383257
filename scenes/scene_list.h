// The broadcaster's scenes as Kestrelcue last learned them: OBS's scene
// list (read at each connection, kept current by its events) or the
// captions of XSplit's scene buttons. Whoever learns them (the worker, or
// the thread that fetches them while nothing is watched) hands them here;
// the UI thread reads a copy for the fields' lists and their marks, woken
// by a posted message that carries nothing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// OBS's and XSplit's lists are longer only by mistake; a longer one is cut.
constexpr size_t kMostScenes = 500;
// A scene name is cut as a field is: 254 characters.
constexpr size_t kSceneListNameChars = 254;

enum class SceneListState {
    Unknown,  // nothing learned yet, or what was learned is forgotten
    Known,
};

// Why no list is known, as the fields' lists say it.
enum class SceneListGap {
    Asking,      // nothing learned yet: being asked, or to be
    NotRunning,  // OBS does not listen, XSplit's window was not found
    Failed,      // OBS refused the login or the list
    TimedOut,    // OBS did not answer in time
};

struct SceneListCopy {
    SceneListState state = SceneListState::Unknown;
    std::vector<std::wstring> scenes;
    const wchar_t* broadcaster = L"";  // "OBS Studio" or "XSplit"
    SceneListGap gap = SceneListGap::Asking;  // while Unknown
    ULONGLONG learnedAt = 0;  // GetTickCount64 of the last whole list
};

// The message that wakes the main window when the list has changed. Anyone
// may post it; it only makes the window look at the list.
constexpr UINT kSceneListChangedMessage = WM_APP + 42;

// Any thread. The whole list, as learned from one broadcaster.
void ReplaceSceneList(const std::vector<std::wstring>& scenes, bool obs);
void AddSceneToList(const std::wstring& scene);
void RemoveSceneFromList(const std::wstring& scene);
// A rename is also queued for the UI thread, which makes the fields follow.
void RenameSceneInList(const std::wstring& oldName, const std::wstring& newName);
// The list forgotten, with why none is known, of OBS or of XSplit.
void ForgetSceneList(SceneListGap why, bool obs);
// Unless a list is known: it is being asked of that broadcaster.
void NoteSceneListAsked(bool obs);

// OBS's names (UTF-8) as the fields hold them.
std::wstring WideSceneName(const std::string& utf8);
std::vector<std::wstring> WideSceneNames(const std::vector<std::string>& utf8);

// Any thread: a copy under the lock.
SceneListCopy CopySceneList();

// Any thread: "Check the scene names: 'game' is not a scene of OBS
// Studio." for the first name the broadcaster lacks (empty: none), said
// once for that name, whichever thread sees it first; the worker says it
// right after it learns the list, so that it stands before the texts of
// the switches that follow.
void SayFirstMissingScene(const std::wstring& name, const wchar_t* broadcaster);
// The first name of the scene settings (the main window's as published,
// then the situations') that the list lacks; empty when all are listed
// or the list is unknown.
std::wstring FirstMissingScene(const SceneListCopy& list);

// UI thread: the renames learned since it last asked, oldest first.
struct SceneRename {
    std::wstring oldName, newName;
};
std::vector<SceneRename> TakeSceneRenames();

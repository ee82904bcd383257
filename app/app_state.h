// The one process-wide record that every subsystem shares. It is all zero at
// start-up and has no constructor: the entry and the main window fill it.
#pragma once
#include <windows.h>
#include <atomic>

#include "obs/obs.h"

// The values of "Remote Role" in the registry; other stored values are kept as they are.
constexpr DWORD kRoleGameSide = 1;    // "I'm running SC2"
constexpr DWORD kRoleXSplitSide = 2;  // "I'm running XSplit"

// A host name as typed (254) or read back from the registry (255), plus terminator.
constexpr int kRemoteHostChars = 256;

// The value of "Game State Source" that picks the game's client API; any
// other stored value means the patch table.
constexpr DWORD kSourceClientApi = 1;
constexpr DWORD kSourcePatchTable = 0;

// The value of "Scene Program" that picks OBS Studio; any other stored
// value means XSplit.
constexpr DWORD kProgramObs = 1;
constexpr DWORD kProgramXSplit = 0;

// An OBS host as typed (254) or read back (255), plus terminator; OBS's
// password likewise (kObsPasswordChars, app/protected_password.h).
constexpr int kObsHostChars = 256;
constexpr int kObsPasswordTextChars = 256;
constexpr DWORD kDefaultObsPort = 4455;

// The scenes of the situations that only the game's client API tells,
// beside the main window's four; each a scene name as typed (254) or read
// back (255), plus terminator.
enum SituationScene { kLoadingScene, kReplayScene, kObservingScene, kVictoryScene, kDefeatScene, kSituationSceneCount };
constexpr int kSituationSceneChars = 256;
// The user's names in the game, separated by ';', likewise bounded.
constexpr int kPlayerNameListChars = 256;

// Where the game's client API answers: this computer unless set otherwise.
constexpr int kGameApiHostChars = 256;
constexpr DWORD kDefaultGameApiPort = 6119;

// The tray icon's tip: what a tip holds (127 characters) and the terminator.
constexpr int kTrayTipChars = 128;

// The Options dialog's Test connection (app/obs_connection_test.h).
struct ObsConnectionTest;

struct AppState {
    HINSTANCE Instance;            // entry, before any other thread exists
    HWND MainDialog;               // UI thread, in WM_INITDIALOG; read by every thread
    HANDLE StopEvent;              // created by the entry; set and reset by Stop on the UI thread
    HANDLE WorkerThread;           // UI thread only (Start/Stop); null while idle
    bool StopInProgress;           // UI thread only: Stop is waiting for the worker
    // A worker that Stop left to end on its own (caught in a click into a
    // hung XSplit): StopEvent stays set until it has, and a Start meanwhile
    // waits for it, so that no two workers ever request scenes at once.
    HANDLE EndingWorker;           // UI thread only; null when none
    bool StartWhenEnded;           // UI thread only: a Start waits for EndingWorker
    bool CloseAfterStop;           // UI thread only: a close arrived while Stop waited; carried out after it
    bool WindowClosing;            // UI thread only: the main window is being destroyed
    std::atomic<DWORD> RemoteEnabled;  // UI thread (controls, settings) and the worker at its start
    DWORD RemoteRole;              // UI thread (settings, Network Setup), which cannot run beside the worker
    wchar_t RemoteHost[kRemoteHostChars];  // UI thread likewise; read by the worker
    std::atomic<DWORD> StateAddress;   // patch loader (while 0) and UI thread (patch pick); read by the worker
    DWORD GameStateSource;         // UI thread (settings, Options), which cannot run beside the worker; as stored
    DWORD SceneProgram;            // UI thread likewise; read by the worker; as stored
    wchar_t ObsHost[kObsHostChars];        // UI thread likewise; read by the worker
    DWORD ObsPort;                 // UI thread likewise, 1 to 65535; read by the worker
    wchar_t ObsPassword[kObsPasswordTextChars];  // UI thread likewise; read by the worker; never shown or logged
    bool PatchLoaderStarted;       // UI thread: the table is downloaded at most once a run
    ObsConnectionTest* OptionsObsTest;  // UI thread only: the Options dialog's test under way, null when none
    WPARAM ObsTestsStarted;        // UI thread only: numbers the tests, so that a done message names its own
    HWND XSplitWindow;             // worker only
    DWORD XSplitProcessId;         // worker only
    HANDLE XSplitProcessHandle;    // worker only (relay receiver); null when none
    ObsConnection Obs;             // worker only: the connection to OBS Studio, kept for the worker's run
    // The Scenes dialog edits these while the worker may run; both sides
    // hold SceneSettingsLock (app/scene_settings.h), the worker to read.
    SRWLOCK SceneSettingsLock;     // all zero is an unlocked SRWLOCK
    wchar_t SituationScenes[kSituationSceneCount][kSituationSceneChars];  // UI thread writes (settings, Scenes dialog)
    wchar_t PlayerNames[kPlayerNameListChars];  // likewise
    wchar_t GameApiHost[kGameApiHostChars];     // UI thread (settings, Options), which cannot run beside the worker
    DWORD GameApiPort;             // UI thread likewise, 1 to 65535; read by the worker
    unsigned ObsConnectionsMade;   // worker only: counts connections to OBS, so each new one is given the record
    std::atomic<bool> SwitchingPaused;  // UI thread sets (tray menu, pause key); the worker reads
    std::atomic<unsigned> Resumes;  // UI thread counts resumes; the worker compares with those it has seen
    HANDLE ResumeEvent;            // created by the entry; set on resume (auto-reset) to wake the worker at once
    // The status line as the tray icon's tip, written by whichever thread
    // sets the status, under TrayLock; only the UI thread tells the shell.
    SRWLOCK TrayLock;              // all zero is an unlocked SRWLOCK
    wchar_t TrayTip[kTrayTipChars];
    bool TrayIconAdded;            // UI thread only: the shell holds our icon
    bool TrayVersion4;             // UI thread only: the shell took NOTIFYICON_VERSION_4
    UINT TaskbarCreatedMessage;    // UI thread only, in WM_INITDIALOG: the shell's "TaskbarCreated"
    DWORD MinimizeToTray;          // UI thread only (settings, Options): 1 hides the minimised window in the tray
    DWORD PauseHotkey;             // UI thread only (settings, Options): as HKM_GETHOTKEY gives it, 0 for none
    bool PauseHotkeyRegistered;    // UI thread only: the main window holds PauseHotkey
};

extern AppState g_app;

// Whether the game's state comes from its client API rather than from its
// memory at the patch table's address.
inline bool IsClientApiChosen()
{
    return g_app.GameStateSource == kSourceClientApi;
}

// Whether the client API to read is another computer's: then there is no
// game window here to find, nor to alt+tab out of.
bool IsGameApiRemote();

// Whether scenes are switched in OBS Studio rather than in XSplit.
inline bool IsObsChosen()
{
    return g_app.SceneProgram == kProgramObs;
}

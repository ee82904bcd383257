// The one process-wide record that every subsystem shares. It is all zero at
// start-up and has no constructor: the entry and the main window fill it.
#pragma once
#include <windows.h>
#include <atomic>


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
// password likewise (kObsPasswordChars, settings/protected_password.h).
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

// Only what is truly process-wide lives here, each field with its one
// writer. What a worker finds and opens is its own (watch/worker_run.h);
// the scene fields it reads are published in settings/scene_fields.h; the
// record is record/session_record.cpp's; the worker's life is
// app/worker_control.cpp's; the tray's state is desktop/tray_icon.cpp's.
struct AppState {
    HINSTANCE Instance;            // entry, before any other thread exists
    HWND MainDialog;               // UI thread, in WM_INITDIALOG; read by every thread
    HANDLE StopEvent;              // created by the entry; set and reset by Stop on the UI thread
    HANDLE ResumeEvent;            // created by the entry; set on resume (auto-reset) to wake the worker at once
    bool WindowClosing;            // UI thread only: the main window is being destroyed
    // The settings a worker is started with: the UI thread writes them
    // (settings, Setup, Options) and copies them for each worker at Start.
    DWORD RemoteEnabled;           // UI thread only: the network mode box as last read
    DWORD RemoteRole;              // UI thread only
    wchar_t RemoteHost[kRemoteHostChars];  // UI thread only
    DWORD GameStateSource;         // UI thread only; as stored
    DWORD SceneProgram;            // UI thread only; as stored
    wchar_t ObsHost[kObsHostChars];        // UI thread only
    DWORD ObsPort;                 // UI thread only, 1 to 65535
    wchar_t ObsPassword[kObsPasswordTextChars];  // UI thread only; never shown or logged
    wchar_t GameApiHost[kGameApiHostChars];     // UI thread only
    DWORD GameApiPort;             // UI thread only, 1 to 65535
    std::atomic<DWORD> StateAddress;   // patch loader (while 0) and UI thread (patch pick); read by the worker
    bool PatchLoaderStarted;       // UI thread: the table is downloaded at most once a run
    std::atomic<bool> SwitchingPaused;  // UI thread sets (tray menu, pause key); the worker reads
    std::atomic<unsigned> Resumes;  // UI thread counts resumes; the worker compares with those it has seen
    DWORD MinimizeToTray;          // UI thread only (settings, Options): 1 hides the minimised window in the tray
    DWORD PauseHotkey;             // UI thread only (settings, Options): as HKM_GETHOTKEY gives it, 0 for none
    bool PauseHotkeyRegistered;    // UI thread only: the main window holds PauseHotkey
    DWORD OverlayPort;             // UI thread only (settings, Record): 0 for off, else 1024 to 65535
};

extern AppState g_app;

// Whether the game's state comes from its client API rather than from its
// memory at the patch table's address.
inline bool IsClientApiChosen()
{
    return g_app.GameStateSource == kSourceClientApi;
}

// Whether the client API at `host` is another computer's: then there is no
// game window here to find, nor to alt+tab out of.
bool IsGameApiHostRemote(const wchar_t* host);

// Whether scenes are switched in OBS Studio rather than in XSplit.
inline bool IsObsChosen()
{
    return g_app.SceneProgram == kProgramObs;
}

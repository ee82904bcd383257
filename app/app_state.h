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

struct AppState {
    HINSTANCE Instance;            // entry, before any other thread exists
    HWND MainDialog;               // UI thread, in WM_INITDIALOG; read by every thread
    HANDLE StopEvent;              // created by the entry; set and reset by Stop on the UI thread
    HANDLE WorkerThread;           // UI thread only (Start/Stop); null while idle
    bool StopInProgress;           // UI thread only: Stop is waiting for the worker
    bool CloseAfterStop;           // UI thread only: a close arrived while Stop waited; carried out after it
    bool WindowClosing;            // UI thread only: the main window is being destroyed
    std::atomic<DWORD> RemoteEnabled;  // UI thread (controls, settings) and the worker at its start
    DWORD RemoteRole;              // UI thread (settings, Network Setup), which cannot run beside the worker
    wchar_t RemoteHost[kRemoteHostChars];  // UI thread likewise; read by the worker
    std::atomic<DWORD> StateAddress;   // patch loader (while 0) and UI thread (patch pick); read by the worker
    DWORD GameStateSource;         // UI thread (settings, Options), which cannot run beside the worker; as stored
    bool GameStateSourceStored;    // UI thread: the value was in the registry, so it is written back
    bool PatchLoaderStarted;       // UI thread: the table is downloaded at most once a run
    HWND XSplitWindow;             // worker only
    DWORD XSplitProcessId;         // worker only
    HANDLE XSplitProcessHandle;    // worker only (relay receiver); null when none
};

extern AppState g_app;

// Whether the game's state comes from its client API rather than from its
// memory at the patch table's address.
inline bool IsClientApiChosen()
{
    return g_app.GameStateSource == kSourceClientApi;
}

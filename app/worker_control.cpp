// Start and Stop of the watch worker. The worker is given at Start all it
// reads of the settings and calls nothing on the window, so Stop waits
// only for the worker's own bounded step, with nothing to serve meanwhile.
// A worker that does not end within the moment is caught in a call it
// cannot cut short (a click into a hung XSplit): Stop leaves it to end on
// its own, with the stop signal still set so that it requests nothing
// more and its texts no longer shown, and a Start meanwhile waits for it.
#include "app/worker_control.h"

#include <new>

#include "app/app_state.h"
#include "app/bounded_text.h"
#include "app/main_window.h"
#include "events/webhook.h"
#include "overlay/overlay_server.h"
#include "resource_ids.h"
#include "status/status_line.h"
#include "watch/watch.h"
#include "watch/worker_run.h"

namespace {

// Long enough for a worker in any wait of its own to see Stop and end; a
// worker still running after it is caught in a call to another program.
constexpr DWORD kStopPatienceMs = 150;
// How long closing the window waits for a running worker to wind down
// before the process ends it; a worker caught in a click into a hung
// XSplit is ended with the process after this.
constexpr DWORD kCloseWaitForWorkerMs = 3000;

// UI thread only.
HANDLE g_worker;           // the running worker; null while idle
HANDLE g_ending;           // a worker that Stop left to end on its own; null when none
HANDLE g_endingWatch;      // the thread pool's wait that tells when g_ending has ended
bool g_startWhenEnded;     // a Start waits for g_ending
bool g_stopInProgress;

DWORD WINAPI RunWorker(void* parameter)
{
    WorkerRun* run = static_cast<WorkerRun*>(parameter);
    AdoptWorkerStatus(run->statusRun);
    const DWORD exitCode = RunWatchLoop(run);
    // The password's copy dies with the run.
    SecureZeroMemory(run, sizeof *run);
    delete run;
    return exitCode;
}

// Runs on the thread pool once the left worker's thread has ended.
void CALLBACK TellWindowWorkerEnded(void* window, BOOLEAN)
{
    PostMessageW(static_cast<HWND>(window), kWorkerEndedMessage, 0, 0);
}

void FillRunSettings(RunSettings* settings)
{
    g_app.RemoteEnabled = IsMainBoxChecked(IDC_MAIN_NETWORK_MODE) ? 1 : 0;
    settings->networkMode = g_app.RemoteEnabled != 0;
    settings->remoteRole = g_app.RemoteRole;
    CopyCut(settings->remoteHost, g_app.RemoteHost);
    settings->clientApi = IsClientApiChosen();
    settings->obs = IsObsChosen();
    CopyCut(settings->obsHost, g_app.ObsHost);
    settings->obsPort = g_app.ObsPort;
    CopyCut(settings->obsPassword, g_app.ObsPassword);
    CopyCut(settings->gameApiHost, g_app.GameApiHost);
    settings->gameApiPort = g_app.GameApiPort;
}

void SetWorkerControlsIdle(bool idle)
{
    EnableWindow(GetDlgItem(g_app.MainDialog, IDC_MAIN_NETWORK_MODE), idle);
    EnableWindow(GetDlgItem(g_app.MainDialog, IDC_MAIN_SETUP), idle);
    SetDlgItemTextW(g_app.MainDialog, IDC_MAIN_START_STOP, idle ? L"Start" : L"Stop");
    // Options stays closed until a worker left to end has ended, so that
    // what it was started with is what the settings still say.
    const bool optionsOpen = idle && g_ending == nullptr;
    EnableMenuItem(GetSystemMenu(g_app.MainDialog, FALSE), IDM_MAIN_OPTIONS,
                   MF_BYCOMMAND | (optionsOpen ? MF_ENABLED : MF_GRAYED));
}

// Keys and clicks that reached the window while Stop waited were aimed at
// a window that could not answer; handled now, Enter or Space on the
// focused button, or a click on it, would start a worker nobody asked for.
void DiscardInputQueuedDuringWait()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

void ReportWorkerNotStarted()
{
    SetWorkerControlsIdle(true);
    SetStatusLine(L"Error: could not start the watch thread.");
}

void LaunchWorker()
{
    SetWorkerControlsIdle(false);
    // cppcheck-suppress[unusedAllocatedMemory,unreadVariable] ; handed to the worker thread, which frees it
    WorkerRun* run = new (std::nothrow) WorkerRun{};
    if (run == nullptr) {
        ReportWorkerNotStarted();
        return;
    }
    FillRunSettings(&run->settings);
    run->statusRun = OpenWorkerStatus();
    g_worker = CreateThread(nullptr, 0, RunWorker, run, 0, nullptr);
    if (g_worker != nullptr) {
        StartOverlayServer();
        StartWebhook();
        return;
    }
    SecureZeroMemory(run, sizeof *run);
    delete run;
    CloseWorkerStatus();
    ReportWorkerNotStarted();
}

// Leaves the worker to end on its own; the thread pool tells the window
// when it has. Without that wait the window looks again at every Start.
void LeaveWorkerToEnd(HANDLE worker)
{
    g_ending = worker;
    if (!RegisterWaitForSingleObject(&g_endingWatch, worker, TellWindowWorkerEnded, g_app.MainDialog, INFINITE,
                                     WT_EXECUTEONLYONCE))
        g_endingWatch = nullptr;
}

// True when no worker is left ending (any more).
bool CollectEndedWorker()
{
    if (g_ending == nullptr)
        return true;
    if (WaitForSingleObject(g_ending, 0) != WAIT_OBJECT_0)
        return false;
    if (g_endingWatch != nullptr) {
        // Not waited for: its one callback only posts, and a late post is
        // looked at and found stale like any other.
        UnregisterWaitEx(g_endingWatch, nullptr);
        g_endingWatch = nullptr;
    }
    CloseHandle(g_ending);
    g_ending = nullptr;
    ResetEvent(g_app.StopEvent);
    return true;
}

} // namespace

bool IsWatchRequested()
{
    return g_worker != nullptr || g_startWhenEnded;
}

bool IsWorkerEnding()
{
    return g_ending != nullptr;
}

bool IsStopInProgress()
{
    return g_stopInProgress;
}

void StartWorker()
{
    if (CollectEndedWorker()) {
        LaunchWorker();
        return;
    }
    // The last worker still finishes its call into the other program. The
    // button offers Stop meanwhile, which takes this Start back.
    g_startWhenEnded = true;
    SetWorkerControlsIdle(false);
    SetStatusLine(L"Waiting for the last switch to end before starting...");
}

void OnWorkerEnded()
{
    // Believed only once the thread has really ended. A worker that ended
    // on its own while running is Stop's to collect, as ever.
    if (g_ending == nullptr || !CollectEndedWorker())
        return;
    if (g_startWhenEnded) {
        g_startWhenEnded = false;
        LaunchWorker();
    } else if (g_worker == nullptr) {
        SetWorkerControlsIdle(true);
    }
}

void StopWorker()
{
    if (g_startWhenEnded) {
        g_startWhenEnded = false;
        SetWorkerControlsIdle(true);
        SetStatusLine(L"Aborted.");
        return;
    }
    HWND button = GetDlgItem(g_app.MainDialog, IDC_MAIN_START_STOP);
    const bool buttonHadFocus = GetFocus() == button;
    g_stopInProgress = true;
    SetStatusLine(L"Waiting for thread to exit...");
    EnableWindow(button, FALSE);
    SetEvent(g_app.StopEvent);
    if (WaitForSingleObject(g_worker, kStopPatienceMs) == WAIT_OBJECT_0) {
        ResetEvent(g_app.StopEvent);
        CloseHandle(g_worker);
    } else {
        LeaveWorkerToEnd(g_worker);
    }
    g_worker = nullptr;
    StopOverlayServer();
    StopWebhook();
    CloseWorkerStatus();
    DiscardInputQueuedDuringWait();
    EnableWindow(button, TRUE);
    if (buttonHadFocus)
        SetFocus(button);
    SetWorkerControlsIdle(true);
    SetStatusLine(L"Aborted.");
    g_stopInProgress = false;
}

void LetWorkerFinishBeforeExit()
{
    if (g_worker != nullptr) {
        SetEvent(g_app.StopEvent);
        WaitForSingleObject(g_worker, kCloseWaitForWorkerMs);
    } else if (g_ending != nullptr) {
        WaitForSingleObject(g_ending, kCloseWaitForWorkerMs);
    }
    StopOverlayServer();
    StopWebhook();
    CloseWorkerStatus();
}

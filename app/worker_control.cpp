// Start and Stop of the watch worker. Stop waits a moment for the worker to
// end, and the worker talks to the main window's controls with synchronous
// messages, so the wait keeps serving those messages; it serves nothing
// else, so no click can start a second worker while the first is ending.
// A worker that does not end within the moment is caught in a call it
// cannot cut short (a click into a hung XSplit): Stop leaves it to end on
// its own, with the stop signal still set so that it requests nothing
// more, and a Start meanwhile waits for it.
#include "app/app_state.h"
#include "app/main_window.h"
#include "status/status_line.h"
#include "resource_ids.h"
#include "watch/watch.h"

namespace {

// Long enough for a worker in any wait of its own to see Stop and end; a
// worker still running after it is caught in a call to another program.
constexpr DWORD kStopPatienceMs = 150;

struct WorkerRun {
    HWND window;  // told when the worker has ended
};
WorkerRun g_run;

DWORD WINAPI RunWorker(void* run)
{
    const DWORD exitCode = RunWatchLoop(nullptr);
    PostMessageW(static_cast<const WorkerRun*>(run)->window, kWorkerEndedMessage, GetCurrentThreadId(), 0);
    return exitCode;
}

void SetWorkerControlsIdle(bool idle)
{
    EnableWindow(GetDlgItem(g_app.MainDialog, IDC_MAIN_NETWORK_MODE), idle);
    EnableWindow(GetDlgItem(g_app.MainDialog, IDC_MAIN_SETUP), idle);
    SetDlgItemTextW(g_app.MainDialog, IDC_MAIN_START_STOP, idle ? L"Start" : L"Stop");
    // Options changes what a worker reads; one left to end reads it still.
    const bool optionsOpen = idle && g_app.EndingWorker == nullptr;
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

} // namespace

bool WaitServingSentMessages(HANDLE handle, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = timeoutMs == INFINITE ? INFINITE : (now >= deadline ? 0 : DWORD(deadline - now));
        DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, left, QS_SENDMESSAGE, 0);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED)
            return true;
        if (woken == WAIT_TIMEOUT)
            return false;
        // Peeking delivers the messages sent to this thread; posted ones
        // (input among them) stay queued until the wait is over.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

namespace {

void LaunchWorker()
{
    SetWorkerControlsIdle(false);
    g_run.window = g_app.MainDialog;
    g_app.WorkerThread = CreateThread(nullptr, 0, RunWorker, &g_run, 0, nullptr);
    if (g_app.WorkerThread == nullptr) {
        SetWorkerControlsIdle(true);
        SetStatusLine(L"Error: could not start the watch thread.");
    }
}

} // namespace

void StartWorker()
{
    if (g_app.EndingWorker == nullptr) {
        LaunchWorker();
        return;
    }
    // The last worker still finishes its call into the other program. The
    // button offers Stop meanwhile, which takes this Start back.
    g_app.StartWhenEnded = true;
    SetWorkerControlsIdle(false);
    SetStatusLine(L"Waiting for the last switch to end before starting...");
}

void OnWorkerEnded(DWORD threadId)
{
    // A worker that ended on its own while running is Stop's to collect, as ever.
    if (g_app.EndingWorker == nullptr || GetThreadId(g_app.EndingWorker) != threadId)
        return;
    // It posts just before it returns.
    WaitForSingleObject(g_app.EndingWorker, INFINITE);
    CloseHandle(g_app.EndingWorker);
    g_app.EndingWorker = nullptr;
    ResetEvent(g_app.StopEvent);
    if (g_app.StartWhenEnded) {
        g_app.StartWhenEnded = false;
        LaunchWorker();
    } else if (g_app.WorkerThread == nullptr) {
        SetWorkerControlsIdle(true);
    }
}

void StopWorker()
{
    if (g_app.StartWhenEnded) {
        g_app.StartWhenEnded = false;
        SetWorkerControlsIdle(true);
        SetStatusLine(L"Aborted.");
        return;
    }
    HWND button = GetDlgItem(g_app.MainDialog, IDC_MAIN_START_STOP);
    const bool buttonHadFocus = GetFocus() == button;
    g_app.StopInProgress = true;
    SetStatusLine(L"Waiting for thread to exit...");
    EnableWindow(button, FALSE);
    SetEvent(g_app.StopEvent);
    if (WaitServingSentMessages(g_app.WorkerThread, kStopPatienceMs)) {
        ResetEvent(g_app.StopEvent);
        CloseHandle(g_app.WorkerThread);
    } else {
        g_app.EndingWorker = g_app.WorkerThread;
    }
    DiscardInputQueuedDuringWait();
    g_app.WorkerThread = nullptr;
    EnableWindow(button, TRUE);
    if (buttonHadFocus)
        SetFocus(button);
    SetWorkerControlsIdle(true);
    SetStatusLine(L"Aborted.");
    g_app.StopInProgress = false;
    if (g_app.CloseAfterStop)
        DestroyWindow(g_app.MainDialog);
}

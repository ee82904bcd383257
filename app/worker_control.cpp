// Start and Stop of the watch worker. Stop waits for the worker to end, and
// the worker talks to the main window's controls with synchronous messages,
// so the wait keeps serving those messages; it serves nothing else, so no
// click can start a second worker while the first is ending.
#include "app/app_state.h"
#include "app/main_window.h"
#include "app/status_line.h"
#include "resource_ids.h"
#include "watch/watch.h"

namespace {

void SetWorkerControlsIdle(bool idle)
{
    EnableWindow(GetDlgItem(g_app.MainDialog, IDC_MAIN_NETWORK_MODE), idle);
    EnableWindow(GetDlgItem(g_app.MainDialog, IDC_MAIN_SETUP), idle);
    SetDlgItemTextW(g_app.MainDialog, IDC_MAIN_START_STOP, idle ? L"Start" : L"Stop");
    EnableMenuItem(GetSystemMenu(g_app.MainDialog, FALSE), IDM_MAIN_OPTIONS,
                   MF_BYCOMMAND | (idle ? MF_ENABLED : MF_GRAYED));
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

void StartWorker()
{
    SetWorkerControlsIdle(false);
    g_app.WorkerThread = CreateThread(nullptr, 0, RunWatchLoop, nullptr, 0, nullptr);
    if (g_app.WorkerThread == nullptr) {
        SetWorkerControlsIdle(true);
        SetStatusLine(L"Error: could not start the watch thread.");
    }
}

void StopWorker()
{
    HWND button = GetDlgItem(g_app.MainDialog, IDC_MAIN_START_STOP);
    const bool buttonHadFocus = GetFocus() == button;
    g_app.StopInProgress = true;
    SetStatusLine(L"Waiting for thread to exit...");
    EnableWindow(button, FALSE);
    SetEvent(g_app.StopEvent);
    WaitServingSentMessages(g_app.WorkerThread, INFINITE);
    DiscardInputQueuedDuringWait();
    ResetEvent(g_app.StopEvent);
    CloseHandle(g_app.WorkerThread);
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

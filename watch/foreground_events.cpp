// The hooks are out of context: Windows queues each event to the thread
// that set them, which takes it when it looks at its messages. The wait
// therefore also wakes for messages, and looks at them before it waits
// again. Windows tells of each new foreground window. Wine (where streamers
// on Linux run the game) tells of none, and of the keyboard focus only
// within a process, so both are heard, and the watch looks at the
// foreground itself when a change came that no event told of.
#include "watch/foreground_events.h"

#include "app/app_state.h"

namespace {

// Set by the hook's callback, which runs on the worker's own thread while
// it looks at its messages in WaitForWorkerWake.
thread_local bool t_foregroundChanged;

void CALLBACK NoteForegroundChange(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD)
{
    if (event == EVENT_SYSTEM_FOREGROUND || event == EVENT_OBJECT_FOCUS)
        t_foregroundChanged = true;
}

void HandleQueuedEvents()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

void BeginForegroundEvents(ForegroundEvents* events)
{
    t_foregroundChanged = false;
    events->foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                             NoteForegroundChange, 0, 0, WINEVENT_OUTOFCONTEXT);
    events->focusHook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, NoteForegroundChange, 0, 0,
                                        WINEVENT_OUTOFCONTEXT);
}

void EndForegroundEvents(ForegroundEvents* events)
{
    if (events->foregroundHook != nullptr)
        UnhookWinEvent(events->foregroundHook);
    if (events->focusHook != nullptr)
        UnhookWinEvent(events->focusHook);
    *events = ForegroundEvents{nullptr, nullptr};
}

bool TakeForegroundNews()
{
    HandleQueuedEvents();
    const bool news = t_foregroundChanged;
    t_foregroundChanged = false;
    return news;
}

WorkerWake WaitForWorkerWake(ULONGLONG deadline, DWORD lookEveryMs)
{
    HANDLE signals[] = {g_app.StopEvent, g_app.ResumeEvent};
    const DWORD count = g_app.ResumeEvent != nullptr ? 2 : 1;
    for (;;) {
        HandleQueuedEvents();
        if (t_foregroundChanged) {
            t_foregroundChanged = false;
            return WorkerWake::ForegroundChanged;
        }
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
        const bool lookFirst = lookEveryMs != 0 && lookEveryMs < left;
        const DWORD woke = MsgWaitForMultipleObjectsEx(count, signals, lookFirst ? lookEveryMs : left, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return WorkerWake::Stopped;
        if (count == 2 && woke == WAIT_OBJECT_0 + 1)
            return WorkerWake::Resumed;
        if (woke == WAIT_TIMEOUT)
            return lookFirst ? WorkerWake::ForegroundDue : WorkerWake::PeriodOver;
        if (woke == WAIT_FAILED) {
            // Nothing to wait on: the pause still passes, and Stop is seen.
            return WaitForSingleObject(g_app.StopEvent, left) == WAIT_OBJECT_0 ? WorkerWake::Stopped
                                                                                : WorkerWake::PeriodOver;
        }
    }
}

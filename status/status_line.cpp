// Every text goes through the main window's thread, which alone decides
// what shows: the text said last, or while switching is paused the pause
// and how to end it, with the last text kept to be said again on resume.
// Other threads never wait for that thread: their texts are copied into a
// bounded queue, and the window is woken by a message that carries no
// pointer, so a message posted by any other program can only make it look.
#include "status/status_line.h"

#include <climits>

#include "app/app_state.h"
#include "app/bounded_text.h"
#include "desktop/switching_pause.h"
#include "desktop/tray_icon.h"
#include "resource_ids.h"

namespace {

// Texts said faster than the window shows them: the oldest give way, since
// what matters is what is said last.
constexpr int kQueuedTexts = 16;

struct QueuedText {
    unsigned run;  // the worker's run that said it; 0 for any other thread
    wchar_t text[kStatusChars];
};

SRWLOCK g_queueLock = SRWLOCK_INIT;
QueuedText g_queue[kQueuedTexts];  // under g_queueLock
int g_queueFirst = 0;              // under g_queueLock
int g_queueCount = 0;              // under g_queueLock

// UI thread only.
wchar_t g_lastSaid[kStatusChars];
unsigned g_runsOpened = 0;
unsigned g_openRun = 0;  // 0 while no worker's texts are shown

// The run of the thread that says a text; a worker adopts its own.
thread_local unsigned t_run = 0;

bool IsUiThread()
{
    return g_app.MainDialog != nullptr && GetWindowThreadProcessId(g_app.MainDialog, nullptr) == GetCurrentThreadId();
}

void ShowStatusText(const wchar_t* text)
{
    SetDlgItemTextW(g_app.MainDialog, IDC_MAIN_STATUS, text);
    ShowStatusInTray(text);
}

void SayOnUiThread(const wchar_t* text)
{
    CopyCut(g_lastSaid, text);
    if (!IsSwitchingPaused())
        ShowStatusText(g_lastSaid);
}

void QueueText(const wchar_t* text)
{
    AcquireSRWLockExclusive(&g_queueLock);
    if (g_queueCount == kQueuedTexts) {
        g_queueFirst = (g_queueFirst + 1) % kQueuedTexts;
        --g_queueCount;
    }
    QueuedText& slot = g_queue[(g_queueFirst + g_queueCount) % kQueuedTexts];
    slot.run = t_run;
    CopyCut(slot.text, text);
    ++g_queueCount;
    ReleaseSRWLockExclusive(&g_queueLock);
}

// UI thread: takes the queued texts in the order they were said.
void ShowQueuedTexts()
{
    for (;;) {
        QueuedText taken;
        AcquireSRWLockExclusive(&g_queueLock);
        const bool any = g_queueCount > 0;
        if (any) {
            taken = g_queue[g_queueFirst];
            g_queueFirst = (g_queueFirst + 1) % kQueuedTexts;
            --g_queueCount;
        }
        ReleaseSRWLockExclusive(&g_queueLock);
        if (!any)
            return;
        if (taken.run == 0 || taken.run == g_openRun)
            SayOnUiThread(taken.text);
    }
}

} // namespace

void SetStatusLine(const wchar_t* text)
{
    if (IsUiThread()) {
        // What other threads said before this comes first.
        ShowQueuedTexts();
        SayOnUiThread(text);
        return;
    }
    QueueText(text);
    if (g_app.MainDialog != nullptr)
        PostMessageW(g_app.MainDialog, kStatusLineMessage, 0, 0);
}

void OnStatusLineQueued()
{
    ShowQueuedTexts();
}

unsigned OpenWorkerStatus()
{
    ShowQueuedTexts();
    // 0 stands for the threads that are no worker, and is skipped when the
    // count wraps.
    g_runsOpened = g_runsOpened == UINT_MAX ? 1 : g_runsOpened + 1;
    g_openRun = g_runsOpened;
    return g_openRun;
}

void CloseWorkerStatus()
{
    // What the worker said before Stop is shown first, then no more of it.
    ShowQueuedTexts();
    g_openRun = 0;
}

void AdoptWorkerStatus(unsigned run)
{
    t_run = run;
}

void ShowPauseInStatusLine(const wchar_t* pauseText)
{
    ShowQueuedTexts();
    ShowStatusText(pauseText != nullptr ? pauseText : g_lastSaid);
}

void FormatStatus(wchar_t (&out)[kStatusChars], const wchar_t* format, const wchar_t* argument)
{
    const int last = kStatusChars - 1;
    int length = 0;
    bool argumentPlaced = false;
    for (const wchar_t* f = format; *f != L'\0' && length < last; ++f) {
        if (!argumentPlaced && f[0] == L'%' && f[1] == L's') {
            for (const wchar_t* a = argument; *a != L'\0' && length < last; ++a)
                out[length++] = *a;
            argumentPlaced = true;
            ++f;
            continue;
        }
        out[length++] = *f;
    }
    out[length] = L'\0';
}

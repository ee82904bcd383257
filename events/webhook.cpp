#include "events/webhook.h"

#include <cwchar>
#include <cwctype>

#include "app/bounded_text.h"
#include "events/webhook_post.h"
#include "status/status_line.h"

namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
wchar_t g_url[kWebhookUrlChars];        // under g_lock; written by the UI thread
GameEvent g_queue[kQueuedGameEvents];   // under g_lock: the oldest at g_first
size_t g_first = 0;                     // under g_lock
size_t g_count = 0;                     // under g_lock
HANDLE g_thread = nullptr;              // under g_lock: the hook's thread, null when none runs
HANDLE g_stop = nullptr;                // under g_lock: that thread's stop event, which it closes as it ends
HANDLE g_wake = nullptr;                // made once under g_lock, kept: auto-reset, an event was queued
// Whether the last POST's failure has been said (the hook's threads).
volatile LONG g_failureSaid = 0;

bool StartsWithIgnoringCase(const wchar_t* text, const wchar_t* prefix, size_t* length)
{
    *length = std::wcslen(prefix);
    for (size_t i = 0; i < *length; ++i) {
        if (std::towlower(text[i]) != prefix[i])
            return false;
    }
    return true;
}

bool IsAcceptedLocked(const wchar_t* url)
{
    return url[0] == L'\0' || IsWebhookUrlAccepted(url);
}

// The oldest event and the URL it goes to, under the lock; false when none
// is waiting, or when the hook was turned off meanwhile (then none stays).
bool TakeQueued(GameEvent* event, wchar_t (&url)[kWebhookUrlChars])
{
    AcquireSRWLockExclusive(&g_lock);
    const bool on = g_url[0] != L'\0' && IsWebhookUrlAccepted(g_url);
    if (!on)
        g_count = 0;
    const bool any = g_count > 0;
    if (any) {
        *event = g_queue[g_first];
        g_first = (g_first + 1) % kQueuedGameEvents;
        --g_count;
        CopyCut(url, g_url);
    }
    ReleaseSRWLockExclusive(&g_lock);
    return any;
}

void SayFailure(const PostResult& result)
{
    wchar_t status[kStatusChars];
    switch (result.outcome) {
    case PostOutcome::Status:
        if (result.status >= 300 && result.status <= 399)
            std::swprintf(status, kStatusChars, L"Webhook failed: HTTP %lu, a redirect; it is not followed.",
                          static_cast<unsigned long>(result.status));
        else
            std::swprintf(status, kStatusChars, L"Webhook failed: HTTP %lu.", static_cast<unsigned long>(result.status));
        break;
    case PostOutcome::TimedOut:
        std::swprintf(status, kStatusChars, L"Webhook failed: no answer within %lu s.",
                      static_cast<unsigned long>(kWebhookPostMs / 1000));
        break;
    case PostOutcome::NoConnection:
        std::swprintf(status, kStatusChars, L"Webhook failed: the connection was refused or broken.");
        break;
    case PostOutcome::HostUnknown:
        std::swprintf(status, kStatusChars, L"Webhook failed: its host name is not known.");
        break;
    case PostOutcome::Insecure:
        std::swprintf(status, kStatusChars, L"Webhook failed: no secure connection could be made.");
        break;
    default:
        std::swprintf(status, kStatusChars, L"Webhook failed: error %lu.", static_cast<unsigned long>(result.error));
        break;
    }
    status[kStatusChars - 1] = L'\0';
    SetStatusLine(status);
}

// A failure is said once, until a POST goes through; a POST given up for
// Stop says nothing.
void TellOutcome(const PostResult& result)
{
    if (result.outcome == PostOutcome::Stopped)
        return;
    if (result.outcome == PostOutcome::Delivered) {
        InterlockedExchange(&g_failureSaid, 0);
        return;
    }
    if (InterlockedExchange(&g_failureSaid, 1) == 0)
        SayFailure(result);
}

bool IsStopped(HANDLE stop)
{
    return WaitForSingleObject(stop, 0) != WAIT_TIMEOUT;
}

void PostQueued(HANDLE stop)
{
    GameEvent event;
    wchar_t url[kWebhookUrlChars];
    while (!IsStopped(stop) && TakeQueued(&event, url)) {
        const std::string json = GameEventJson(event);
        if (!json.empty())
            TellOutcome(PostJson(url, json, stop));
    }
}

DWORD WINAPI RunWebhook(void* parameter)
{
    HANDLE stop = static_cast<HANDLE>(parameter);
    const HANDLE events[] = {stop, g_wake};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        PostQueued(stop);
    // The event is closed only once Stop has set it: Stop sets it after
    // letting go of the lock.
    WaitForSingleObject(stop, INFINITE);
    CloseHandle(stop);
    return 0;
}

// Under g_lock, exclusive.
void StartThreadLocked()
{
    if (g_thread != nullptr)
        return;
    if (g_wake == nullptr)
        g_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE stop = g_wake != nullptr ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    HANDLE thread = stop != nullptr ? CreateThread(nullptr, 0, RunWebhook, stop, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        if (stop != nullptr)
            CloseHandle(stop);
        return;
    }
    g_thread = thread;
    g_stop = stop;
}

} // namespace

bool IsWebhookUrlAccepted(const wchar_t* url)
{
    size_t scheme = 0;
    if (!StartsWithIgnoringCase(url, L"https://", &scheme) && !StartsWithIgnoringCase(url, L"http://", &scheme))
        return false;
    const wchar_t first = url[scheme];
    if (first == L'\0' || first == L'/' || first == L'?' || first == L'#')
        return false;
    // A URL holds no blanks and no control characters.
    for (const wchar_t* c = url; *c != L'\0'; ++c) {
        if (*c <= L' ' || *c == 0x7F)
            return false;
    }
    return true;
}

void PublishWebhookUrl(const wchar_t* url)
{
    AcquireSRWLockExclusive(&g_lock);
    CopyCut(g_url, url);
    ReleaseSRWLockExclusive(&g_lock);
}

void CopyWebhookUrl(wchar_t (&url)[kWebhookUrlChars])
{
    AcquireSRWLockShared(&g_lock);
    CopyCut(url, g_url);
    ReleaseSRWLockShared(&g_lock);
}

bool IsWebhookOn()
{
    AcquireSRWLockShared(&g_lock);
    const bool on = g_url[0] != L'\0' && IsAcceptedLocked(g_url);
    ReleaseSRWLockShared(&g_lock);
    return on;
}

void QueueGameEvent(const GameEvent& event)
{
    AcquireSRWLockExclusive(&g_lock);
    HANDLE wake = nullptr;
    if (g_url[0] != L'\0' && IsAcceptedLocked(g_url)) {
        if (g_count == kQueuedGameEvents) {
            g_first = (g_first + 1) % kQueuedGameEvents;
            --g_count;
        }
        g_queue[(g_first + g_count) % kQueuedGameEvents] = event;
        ++g_count;
        StartThreadLocked();
        wake = g_wake;
    }
    ReleaseSRWLockExclusive(&g_lock);
    if (wake != nullptr)
        SetEvent(wake);
}

void StartWebhook()
{
    AcquireSRWLockExclusive(&g_lock);
    if (g_url[0] != L'\0' && IsAcceptedLocked(g_url))
        StartThreadLocked();
    ReleaseSRWLockExclusive(&g_lock);
}

void StopWebhook()
{
    AcquireSRWLockExclusive(&g_lock);
    HANDLE thread = g_thread;
    HANDLE stop = g_stop;
    g_thread = nullptr;
    g_stop = nullptr;
    g_count = 0;
    ReleaseSRWLockExclusive(&g_lock);
    if (thread == nullptr)
        return;
    SetEvent(stop);
    CloseHandle(thread);
}

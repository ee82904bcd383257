// One POST of JSON to the webhook, with WinHTTP in its asynchronous mode:
// every step (resolving, connecting, sending, the answer's head) is waited
// for only until one deadline, kWebhookPostMs after the start, and every
// wait also ends on the stop event. A POST given up closes its handles and
// leaves WinHTTP to end it; nothing waits for that. Under Wine the
// synchronous mode does not honour its time-outs, so it is not used.
#pragma once
#include <windows.h>

#include <string>

constexpr DWORD kWebhookPostMs = 5000;

enum class PostOutcome {
    Delivered,    // a 2xx status
    Status,       // another status (a redirect among them: none is followed)
    TimedOut,     // no whole answer's head within kWebhookPostMs
    NoConnection, // refused, reset or broken
    HostUnknown,
    Insecure,     // the secure connection could not be made
    Stopped,      // the stop event came first: nothing to say
    Failed,       // anything else; `error` says what
};

struct PostResult {
    PostOutcome outcome;
    DWORD status;  // the HTTP status, for Delivered and Status
    DWORD error;   // the Windows error, for Failed
};

PostResult PostJson(const wchar_t* url, const std::string& json, HANDLE stop);

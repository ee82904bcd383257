// GET /ui (and /game when a sample needs it) through WinHTTP in its
// asynchronous mode: each step is started, then waited for with what is
// left of the request's time.
// In the synchronous mode the receive time-out is not honoured under Wine
// (an answer that never comes holds the worker, and Stop, for ever), while
// a request handle closed in the middle of an asynchronous step lets go of
// its caller at once everywhere.
#include "watch/client_api_probe.h"

#include <atomic>

#include "watch/client_api_answer.h"

namespace {

// What the completion callback reports of one request, and how the worker
// waits for it. The callback runs on a thread of WinHTTP's own; the record
// lives until both the worker has let go and the handle has closed, which
// is the last call WinHTTP makes for it.
struct RequestRecord {
    HANDLE stepDone;              // auto-reset: one step has completed
    std::atomic<DWORD> step;      // the completion that came, or WINHTTP_CALLBACK_STATUS_REQUEST_ERROR
    std::atomic<DWORD> count;     // bytes available, or bytes read
    std::atomic<int> holders;     // the worker and the request handle
    // A read still under way when the time runs out writes here later, so
    // the body lives as long as the record, not on the worker's stack.
    char body[kClientApiAnswerLimitBytes];
};

RequestRecord* NewRecord()
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr)
        return nullptr;
    RequestRecord* record = new RequestRecord;
    record->stepDone = event;
    record->step = 0;
    record->count = 0;
    record->holders = 2;
    return record;
}

void LetGo(RequestRecord* record)
{
    if (record->holders.fetch_sub(1) == 1) {
        CloseHandle(record->stepDone);
        delete record;
    }
}

void CALLBACK OnRequestStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    RequestRecord* record = reinterpret_cast<RequestRecord*>(context);
    if (record == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        LetGo(record);
        return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        record->count = info != nullptr && infoLength >= sizeof(DWORD) ? *static_cast<DWORD*>(info) : 0;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        record->count = infoLength;
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        break;
    default:
        return;
    }
    record->step = status;
    SetEvent(record->stepDone);
}

constexpr DWORD kNotifications = WINHTTP_CALLBACK_FLAG_SENDREQUEST_COMPLETE | WINHTTP_CALLBACK_FLAG_HEADERS_AVAILABLE |
                                 WINHTTP_CALLBACK_FLAG_DATA_AVAILABLE | WINHTTP_CALLBACK_FLAG_READ_COMPLETE |
                                 WINHTTP_CALLBACK_FLAG_REQUEST_ERROR | WINHTTP_CALLBACK_FLAG_HANDLES;

// Waits for the step just started; false when it failed or the request's
// time ran out first.
bool AwaitStep(RequestRecord* record, DWORD expected, ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
    return WaitForSingleObject(record->stepDone, left) == WAIT_OBJECT_0 && record->step == expected;
}

bool IsStatusOk(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    return WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                               &status, &size, WINHTTP_NO_HEADER_INDEX) &&
           status == HTTP_STATUS_OK;
}

// The whole body into `body`; false when it does not fit, a step fails or
// the time runs out.
bool ReadBody(HINTERNET request, RequestRecord* record, DWORD* size, ULONGLONG deadline)
{
    char* body = record->body;
    DWORD total = 0;
    for (;;) {
        if (!WinHttpQueryDataAvailable(request, nullptr) ||
            !AwaitStep(record, WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE, deadline))
            return false;
        const DWORD available = record->count;
        if (available == 0)
            break;
        if (available > kClientApiAnswerLimitBytes - total)
            return false;
        if (!WinHttpReadData(request, body + total, available, nullptr) ||
            !AwaitStep(record, WINHTTP_CALLBACK_STATUS_READ_COMPLETE, deadline))
            return false;
        const DWORD read = record->count;
        if (read == 0)
            break;
        total += read;
    }
    *size = total;
    return true;
}

// The body's reader: true when the body is such an answer.
using BodyReader = bool (*)(const char* body, size_t size, void* into);

// One request's steps, each waited for; false at the first that fails.
bool RunRequest(HINTERNET request, RequestRecord* record, ULONGLONG deadline, BodyReader read, void* into)
{
    DWORD size = 0;
    return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                              reinterpret_cast<DWORD_PTR>(record)) &&
           AwaitStep(record, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, deadline) &&
           WinHttpReceiveResponse(request, nullptr) &&
           AwaitStep(record, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, deadline) && IsStatusOk(request) &&
           ReadBody(request, record, &size, deadline) && read(record->body, size, into);
}

// One GET of `path`, read by `read`; false when the game did not answer in
// time with status 200 and a body that `read` takes.
bool Get(const ClientApiLink& link, const wchar_t* path, ULONGLONG deadline, BodyReader read, void* into)
{
    if (link.connection == nullptr)
        return false;
    RequestRecord* record = NewRecord();
    if (record == nullptr)
        return false;
    HINTERNET request = WinHttpOpenRequest(link.connection, L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (request == nullptr) {
        LetGo(record);
        LetGo(record);
        return false;
    }
    // From here the handle's closing is the record's last callback.
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(record);
    // A redirect would send the sample to wherever the answer says, on
    // this computer or another: the game never redirects, so none is
    // followed, and its status is no answer.
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    const bool answered =
        WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) &&
        WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects) &&
        RunRequest(request, record, deadline, read, into);
    // Cancels a step still under way; the callback may come later.
    WinHttpCloseHandle(request);
    LetGo(record);
    return answered;
}

bool ReadScreensInto(const char* body, size_t size, void* into)
{
    ClientApiScreens* screens = static_cast<ClientApiScreens*>(into);
    *screens = ReadClientApiScreens(body, size);
    return *screens != ClientApiScreens::Unreadable;
}

bool ReadGameInto(const char* body, size_t size, void* into)
{
    return ReadClientApiGame(body, size, static_cast<ClientApiGame*>(into));
}

} // namespace

bool OpenClientApiLink(ClientApiLink* link, const wchar_t* host, INTERNET_PORT port)
{
    link->connection = nullptr;
    // The game answers on this computer or on one of the local network:
    // no proxy may stand between.
    link->session = WinHttpOpen(L"Kestrelcue/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (link->session == nullptr)
        return false;
    DWORD redirectPolicy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    // Set on the session, the callback is inherited by every request.
    if (!WinHttpSetOption(link->session, WINHTTP_OPTION_REDIRECT_POLICY, &redirectPolicy, sizeof redirectPolicy) ||
        WinHttpSetStatusCallback(link->session, OnRequestStatus, kNotifications, 0) ==
            WINHTTP_INVALID_STATUS_CALLBACK ||
        (link->connection = WinHttpConnect(link->session, host, port, 0)) == nullptr) {
        WinHttpCloseHandle(link->session);
        link->session = nullptr;
        return false;
    }
    return true;
}

void CloseClientApiLink(ClientApiLink* link)
{
    if (link->connection != nullptr)
        WinHttpCloseHandle(link->connection);
    if (link->session != nullptr)
        WinHttpCloseHandle(link->session);
    link->connection = nullptr;
    link->session = nullptr;
}

ClientApiScreens AskClientApiScreens(const ClientApiLink& link, ULONGLONG deadline)
{
    ClientApiScreens screens = ClientApiScreens::Unreadable;
    if (!Get(link, L"/ui", deadline, ReadScreensInto, &screens))
        return ClientApiScreens::Unreadable;
    return screens;
}

bool AskClientApiGame(const ClientApiLink& link, ULONGLONG deadline, ClientApiGame* game)
{
    return Get(link, L"/game", deadline, ReadGameInto, game);
}

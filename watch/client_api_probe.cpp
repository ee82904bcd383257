// One GET /ui per sample, through WinHTTP in its asynchronous mode: each
// step is started, then waited for with what is left of the request's time.
// In the synchronous mode the receive time-out is not honoured under Wine
// (an answer that never comes holds the worker, and Stop, for ever), while
// a request handle closed in the middle of an asynchronous step lets go of
// its caller at once everywhere.
#include "watch/client_api_probe.h"

#include <atomic>

#include "watch/client_api_answer.h"

namespace {

// The most one request may take: a game that answers slowly costs a sample
// at most this, and the loop keeps its pace of one sample every 100 ms.
constexpr DWORD kRequestBudgetMs = 50;

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

GameState StateOf(ClientApiScreens screens)
{
    switch (screens) {
    case ClientApiScreens::None: return GameState::InGame;
    case ClientApiScreens::Some: return GameState::NotInGame;
    case ClientApiScreens::Unreadable: break;
    }
    return GameState::ProbeFailed;
}

// One request's steps, each waited for; ProbeFailed at the first that fails.
GameState RunRequest(HINTERNET request, RequestRecord* record, ULONGLONG deadline)
{
    DWORD size = 0;
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            reinterpret_cast<DWORD_PTR>(record)) ||
        !AwaitStep(record, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, deadline) ||
        !WinHttpReceiveResponse(request, nullptr) ||
        !AwaitStep(record, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, deadline) || !IsStatusOk(request) ||
        !ReadBody(request, record, &size, deadline))
        return GameState::ProbeFailed;
    return StateOf(ReadClientApiScreens(record->body, size));
}

} // namespace

bool OpenClientApiLink(ClientApiLink* link)
{
    link->connection = nullptr;
    // The game listens on this computer only: no proxy may stand between.
    link->session = WinHttpOpen(L"Kestrelcue/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (link->session == nullptr)
        return false;
    // Set on the session, the callback is inherited by every request.
    if (WinHttpSetStatusCallback(link->session, OnRequestStatus, kNotifications, 0) ==
            WINHTTP_INVALID_STATUS_CALLBACK ||
        (link->connection = WinHttpConnect(link->session, L"127.0.0.1", kClientApiPort, 0)) == nullptr) {
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

GameState ProbeClientApi(const ClientApiLink& link)
{
    if (link.connection == nullptr)
        return GameState::ProbeFailed;
    const ULONGLONG deadline = GetTickCount64() + kRequestBudgetMs;
    RequestRecord* record = NewRecord();
    if (record == nullptr)
        return GameState::ProbeFailed;
    HINTERNET request = WinHttpOpenRequest(link.connection, L"GET", L"/ui", nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (request == nullptr) {
        LetGo(record);
        LetGo(record);
        return GameState::ProbeFailed;
    }
    // From here the handle's closing is the record's last callback.
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(record);
    if (!WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        WinHttpCloseHandle(request);
        LetGo(record);
        LetGo(record);
        return GameState::ProbeFailed;
    }
    const GameState state = RunRequest(request, record, deadline);
    // Cancels a step still under way; the callback may come later.
    WinHttpCloseHandle(request);
    LetGo(record);
    return state;
}

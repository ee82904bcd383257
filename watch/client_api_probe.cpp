#include "watch/client_api_probe.h"

#include "watch/client_api_answer.h"

namespace {

// Each step of a request (connect, send, the wait for the answer, each read)
// may take this long, and the whole request no longer than the same again:
// a game that answers slowly costs a sample at most about 80 ms, and the
// loop keeps its pace of one sample every 100 ms.
constexpr int kStepTimeoutMs = 40;
constexpr ULONGLONG kRequestBudgetMs = 40;

// The body and a terminator the reader does not need but a debugger likes.
constexpr DWORD kBodyBufferBytes = DWORD(kClientApiAnswerLimitBytes) + 1;

bool IsOverBudget(ULONGLONG startedAt)
{
    return GetTickCount64() - startedAt > kRequestBudgetMs;
}

// Reads the whole body into `body`; false when it does not fit, a read
// fails or the budget runs out first.
bool ReadBody(HINTERNET request, char (&body)[kBodyBufferBytes], DWORD* size, ULONGLONG startedAt)
{
    DWORD total = 0;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return false;
        if (available == 0)
            break;
        if (available > kClientApiAnswerLimitBytes - total)
            return false;
        DWORD read = 0;
        if (!WinHttpReadData(request, body + total, available, &read))
            return false;
        if (read == 0)
            break;
        total += read;
        if (IsOverBudget(startedAt))
            return false;
    }
    body[total] = '\0';
    *size = total;
    return true;
}

bool IsStatusOk(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    return WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                               &status, &size, WINHTTP_NO_HEADER_INDEX) &&
           status == HTTP_STATUS_OK;
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

} // namespace

bool OpenClientApiLink(ClientApiLink* link)
{
    link->connection = nullptr;
    // The game listens on this computer only: no proxy may stand between.
    link->session = WinHttpOpen(L"Kestrelcue/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
    if (link->session == nullptr)
        return false;
    WinHttpSetTimeouts(link->session, kStepTimeoutMs, kStepTimeoutMs, kStepTimeoutMs, kStepTimeoutMs);
    link->connection = WinHttpConnect(link->session, L"127.0.0.1", kClientApiPort, 0);
    if (link->connection == nullptr) {
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
    const ULONGLONG startedAt = GetTickCount64();
    HINTERNET request = WinHttpOpenRequest(link.connection, L"GET", L"/ui", nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (request == nullptr)
        return GameState::ProbeFailed;
    GameState state = GameState::ProbeFailed;
    char body[kBodyBufferBytes];
    DWORD size = 0;
    if (WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
        WinHttpReceiveResponse(request, nullptr) && !IsOverBudget(startedAt) && IsStatusOk(request) &&
        ReadBody(request, body, &size, startedAt))
        state = StateOf(ReadClientApiScreens(body, size));
    WinHttpCloseHandle(request);
    return state;
}

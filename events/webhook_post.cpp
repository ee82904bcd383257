#include "events/webhook_post.h"

#include <winhttp.h>

#include <atomic>

namespace {

constexpr wchar_t kUserAgent[] = L"Kestrelcue/1.0";
constexpr wchar_t kJsonHeader[] = L"Content-Type: application/json; charset=utf-8";
// The URL's parts as WinHttpCrackUrl cuts them: the whole URL is at most
// this long, as the field takes it.
constexpr DWORD kUrlPartChars = 1024;

// One POST's record, shared with WinHTTP's callbacks: the POST and every
// handle still open hold it, and the last to let go frees it, so a callback
// that comes after the POST was given up never meets freed memory.
struct PostCall {
    std::atomic<int> holders{1};
    HANDLE step = nullptr;  // auto-reset: a step is over
    std::atomic<DWORD> stepStatus{0};  // the callback status that ended it
    std::atomic<DWORD> stepError{0};
    std::string body;  // sent asynchronously: it must outlive the call
};

void LetGo(PostCall* call)
{
    if (call->holders.fetch_sub(1) != 1)
        return;
    if (call->step != nullptr)
        CloseHandle(call->step);
    delete call;
}

void CALLBACK OnPostStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD)
{
    PostCall* call = reinterpret_cast<PostCall*>(context);
    if (call == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        LetGo(call);
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        call->stepStatus = status;
        SetEvent(call->step);
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
        const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(info);
        call->stepError = result != nullptr && result->dwError != 0 ? result->dwError : ERROR_GEN_FAILURE;
        call->stepStatus = status;
        SetEvent(call->step);
        break;
    }
    default:
        break;
    }
}

// Hands a new handle the record; its closing is then the record's last
// callback for it.
bool Adopt(PostCall* call, HINTERNET handle)
{
    if (handle == nullptr)
        return false;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(call);
    call->holders.fetch_add(1);
    if (!WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        call->holders.fetch_sub(1);
        WinHttpCloseHandle(handle);
        return false;
    }
    return true;
}

PostResult Outcome(PostOutcome outcome, DWORD error = 0)
{
    return {outcome, 0, error};
}

PostResult FailureOf(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return Outcome(PostOutcome::NoConnection);
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return Outcome(PostOutcome::HostUnknown);
    case ERROR_WINHTTP_TIMEOUT:
        return Outcome(PostOutcome::TimedOut);
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        return Outcome(PostOutcome::Insecure);
    default:
        return Outcome(PostOutcome::Failed, error);
    }
}

// Waits for the step the caller started. The stop event comes first in
// the wait, so a step that is over already does not outvote it.
PostResult AwaitStep(PostCall* call, DWORD expected, ULONGLONG deadline, HANDLE stop, bool* done)
{
    *done = false;
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
    const HANDLE events[] = {stop, call->step};
    switch (WaitForMultipleObjects(2, events, FALSE, left)) {
    case WAIT_OBJECT_0:     return Outcome(PostOutcome::Stopped);
    case WAIT_OBJECT_0 + 1: break;
    case WAIT_TIMEOUT:      return Outcome(PostOutcome::TimedOut);
    default:                return Outcome(PostOutcome::Failed, GetLastError());
    }
    if (call->stepStatus == expected) {
        *done = true;
        return Outcome(PostOutcome::Delivered);
    }
    return FailureOf(call->stepError);
}

// A redirect is an answer, never followed: the events go where the user
// said and nowhere else.
bool RefuseRedirects(HINTERNET request)
{
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    const bool policy = WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) != FALSE;
    // Wine knows the older switch better; both say the same.
    const bool feature = WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable) != FALSE;
    return policy || feature;
}

struct PostHandles {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
};

PostResult Post(PostCall* call, PostHandles* handles, const wchar_t* url, HANDLE stop)
{
    const ULONGLONG deadline = GetTickCount64() + kWebhookPostMs;
    wchar_t host[kUrlPartChars];
    wchar_t path[kUrlPartChars];
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = kUrlPartChars;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = kUrlPartChars;
    parts.dwExtraInfoLength = 1;  // the query stays with the path
    if (!WinHttpCrackUrl(url, 0, 0, &parts))
        return Outcome(PostOutcome::Failed, GetLastError());
    // The query follows the path in the URL, where the cut left it.
    if (parts.lpszExtraInfo != nullptr && parts.dwExtraInfoLength > 0 &&
        parts.dwUrlPathLength + parts.dwExtraInfoLength < kUrlPartChars) {
        for (DWORD i = 0; i < parts.dwExtraInfoLength; ++i)
            path[parts.dwUrlPathLength + i] = parts.lpszExtraInfo[i];
        path[parts.dwUrlPathLength + parts.dwExtraInfoLength] = L'\0';
    }
    handles->session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!Adopt(call, handles->session)) {
        handles->session = nullptr;
        return Outcome(PostOutcome::Failed, GetLastError());
    }
    if (WinHttpSetStatusCallback(handles->session, OnPostStatus, WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS, 0) ==
        WINHTTP_INVALID_STATUS_CALLBACK)
        return Outcome(PostOutcome::Failed, GetLastError());
    handles->connection = WinHttpConnect(handles->session, host, parts.nPort, 0);
    if (!Adopt(call, handles->connection)) {
        handles->connection = nullptr;
        return Outcome(PostOutcome::Failed, GetLastError());
    }
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    handles->request = WinHttpOpenRequest(handles->connection, L"POST", path[0] != L'\0' ? path : L"/", nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure);
    if (!Adopt(call, handles->request)) {
        handles->request = nullptr;
        return Outcome(PostOutcome::Failed, GetLastError());
    }
    // WinHTTP's own limits as well, each no longer than the whole.
    const int ms = int(kWebhookPostMs);
    if (!RefuseRedirects(handles->request) || !WinHttpSetTimeouts(handles->request, ms, ms, ms, ms))
        return Outcome(PostOutcome::Failed, GetLastError());
    const DWORD bytes = DWORD(call->body.size());
    if (!WinHttpSendRequest(handles->request, kJsonHeader, DWORD(-1), const_cast<char*>(call->body.data()), bytes,
                            bytes, reinterpret_cast<DWORD_PTR>(call)))
        return FailureOf(GetLastError());
    bool done = false;
    PostResult result = AwaitStep(call, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, deadline, stop, &done);
    if (!done)
        return result;
    if (!WinHttpReceiveResponse(handles->request, nullptr))
        return FailureOf(GetLastError());
    result = AwaitStep(call, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, deadline, stop, &done);
    if (!done)
        return result;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(handles->request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Outcome(PostOutcome::Failed, GetLastError());
    return {status >= 200 && status <= 299 ? PostOutcome::Delivered : PostOutcome::Status, status, 0};
}

} // namespace

PostResult PostJson(const wchar_t* url, const std::string& json, HANDLE stop)
{
    PostCall* call = new (std::nothrow) PostCall;
    if (call == nullptr)
        return Outcome(PostOutcome::Failed, ERROR_OUTOFMEMORY);
    call->step = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    PostResult result = Outcome(PostOutcome::Failed, ERROR_OUTOFMEMORY);
    PostHandles handles;
    if (call->step != nullptr) {
        call->body = json;
        result = Post(call, &handles, url, stop);
    }
    // Closing cancels whatever is under way; WinHTTP ends it on its own.
    for (HINTERNET handle : {handles.request, handles.connection, handles.session}) {
        if (handle != nullptr)
            WinHttpCloseHandle(handle);
    }
    LetGo(call);
    return result;
}

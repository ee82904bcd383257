#include "obs/obs_socket.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <deque>

#include "obs/obs_messages.h"

namespace {

// One WinHTTP receive fills at most this much; a message may take several.
constexpr DWORD kReceiveChunkBytes = 16384;
// Messages that came while none was awaited, kept for the next receive.
constexpr size_t kInboxMessages = 16;
// Completions one look at the socket takes in at most: a peer that sends
// without end must not hold the sample that looks.
constexpr size_t kCompletionsPerLook = kInboxMessages;
// How long the answer to OBS's close frame may take to go out before the
// socket is closed anyway: one small frame on a connection that was fine.
constexpr DWORD kCloseAnswerWaitMs = 250;
// The close code that says "done" when OBS's own cannot be sent back.
constexpr USHORT kNormalClosure = 1000;
// A close frame's reason is at most 123 bytes.
constexpr DWORD kCloseReasonBytes = 123;

constexpr wchar_t kSubprotocolHeader[] = L"Sec-WebSocket-Protocol: obswebsocket.json";
// "Host: ", a host name or a bracketed address as typed (255 units), ":"
// and a port, and the terminator.
constexpr size_t kHostHeaderChars = 280;
// An address as numbers, an IPv6 one with its scope: 46 units and more.
constexpr DWORD kAddressTextChars = 64;

} // namespace

// Fields the callbacks write are read by the worker only after the event the
// callback sets next; everything else is the worker's alone.
struct ObsSocket {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    HINTERNET websocket = nullptr;
    // The same handle for the callbacks, which tell its errors from the
    // upgrade's by it.
    std::atomic<HINTERNET> websocketOfCallbacks{nullptr};
    // The request of the address tried now: what the request of one given
    // up may still say is not taken for this one's.
    std::atomic<HINTERNET> requestOfCallbacks{nullptr};
    // Auto-reset: a step of the upgrade, a send, or a receive is over.
    HANDLE upgradeStep = nullptr;
    HANDLE sendDone = nullptr;
    HANDLE receiveDone = nullptr;
    // Set from outside to end every wait at once (the worker's Stop); not ours to close.
    HANDLE cancel = nullptr;
    // The worker and every WinHTTP handle still open; the last to let go
    // frees the record, so a callback never meets freed memory.
    std::atomic<int> holders{1};

    DWORD upgradeStatus = 0;  // the callback status that ended the last upgrade step
    DWORD upgradeError = 0;
    DWORD sendError = 0;
    DWORD receiveError = 0;
    DWORD receivedBytes = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE receivedType = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
    // What an asynchronous send or receive uses must outlive the call.
    std::string sending;
    char chunk[kReceiveChunkBytes] = {};

    bool receiving = false;  // a receive is under way
    bool answeringClose = false;  // the answer to OBS's close frame is under way
    bool closed = false;
    bool broken = false;
    unsigned closeCode = 0;
    std::string partial;  // the fragments of a message so far
    std::deque<std::string> inbox;
};

namespace {

void LetGo(ObsSocket* socket)
{
    if (socket->holders.fetch_sub(1) != 1)
        return;
    for (HANDLE event : {socket->upgradeStep, socket->sendDone, socket->receiveDone})
        if (event != nullptr)
            CloseHandle(event);
    delete socket;
}

void OnWebSocketError(ObsSocket* socket, const WINHTTP_WEB_SOCKET_ASYNC_RESULT* result)
{
    const DWORD error = result->AsyncResult.dwError != 0 ? result->AsyncResult.dwError : ERROR_GEN_FAILURE;
    if (result->Operation == WINHTTP_WEB_SOCKET_RECEIVE_OPERATION) {
        socket->receiveError = error;
        SetEvent(socket->receiveDone);
    } else {
        socket->sendError = error;
        SetEvent(socket->sendDone);
    }
}

void CALLBACK OnSocketStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD)
{
    ObsSocket* socket = reinterpret_cast<ObsSocket*>(context);
    if (socket == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        LetGo(socket);
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        if (handle != socket->requestOfCallbacks.load())
            break;
        socket->upgradeStatus = status;
        SetEvent(socket->upgradeStep);
        break;
    case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_SHUTDOWN_COMPLETE:
        socket->sendError = 0;
        SetEvent(socket->sendDone);
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE: {
        const auto* read = static_cast<const WINHTTP_WEB_SOCKET_STATUS*>(info);
        socket->receivedBytes = read->dwBytesTransferred;
        socket->receivedType = read->eBufferType;
        socket->receiveError = 0;
        SetEvent(socket->receiveDone);
        break;
    }
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        if (handle != nullptr && handle == socket->websocketOfCallbacks.load()) {
            OnWebSocketError(socket, static_cast<const WINHTTP_WEB_SOCKET_ASYNC_RESULT*>(info));
        } else if (handle == socket->requestOfCallbacks.load()) {
            const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(info);
            socket->upgradeStatus = status;
            socket->upgradeError = result->dwError != 0 ? result->dwError : ERROR_GEN_FAILURE;
            SetEvent(socket->upgradeStep);
        }
        break;
    default:
        break;
    }
}

// Hands a new WinHTTP handle the record; its closing is then the record's
// last callback for it.
bool Adopt(ObsSocket* socket, HINTERNET handle)
{
    if (handle == nullptr)
        return false;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(socket);
    socket->holders.fetch_add(1);
    if (!WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        // Its closing will not come to the record.
        socket->holders.fetch_sub(1);
        WinHttpCloseHandle(handle);
        return false;
    }
    return true;
}

ULONGLONG DeadlineIn(DWORD waitMs)
{
    return GetTickCount64() + waitMs;
}

bool IsCancelled(const ObsSocket* socket)
{
    return socket->cancel != nullptr && WaitForSingleObject(socket->cancel, 0) == WAIT_OBJECT_0;
}

// True when `event` came before the deadline and before a cancel. The
// cancel comes first in the wait: of two signalled objects the first wins,
// and a socket that always has something done must not outvote Stop.
bool WaitUntil(const ObsSocket* socket, HANDLE event, ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
    if (socket->cancel == nullptr)
        return WaitForSingleObject(event, left) == WAIT_OBJECT_0;
    const HANDLE events[] = {socket->cancel, event};
    return WaitForMultipleObjects(2, events, FALSE, left) == WAIT_OBJECT_0 + 1;
}

ObsSocketFailure FailureOf(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return ObsSocketFailure::NoListener;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return ObsSocketFailure::HostUnknown;
    case ERROR_WINHTTP_TIMEOUT:
        return ObsSocketFailure::TimedOut;
    default:
        return ObsSocketFailure::Failed;
    }
}

// One step of the upgrade: started by the caller, waited for here.
ObsSocketFailure AwaitUpgradeStep(ObsSocket* socket, DWORD expected, ULONGLONG deadline)
{
    if (!WaitUntil(socket, socket->upgradeStep, deadline))
        return ObsSocketFailure::TimedOut;
    if (socket->upgradeStatus == expected)
        return ObsSocketFailure::None;
    return FailureOf(socket->upgradeError);
}

bool IsUpgraded(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    return WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                               &status, &size, WINHTTP_NO_HEADER_INDEX) &&
           status == HTTP_STATUS_SWITCH_PROTOCOLS;
}

bool OpenSession(ObsSocket* socket)
{
    socket->session = WinHttpOpen(L"Kestrelcue/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!Adopt(socket, socket->session)) {
        socket->session = nullptr;
        return false;
    }
    return WinHttpSetStatusCallback(socket->session, OnSocketStatus, WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS, 0) !=
           WINHTTP_INVALID_STATUS_CALLBACK;
}

// What WinHTTP connects to: the address's numbers, without its port (an
// IPv6 one then comes without brackets, as WinHTTP takes it).
bool AddressText(const HostAddress& address, wchar_t (&text)[kAddressTextChars])
{
    sockaddr_storage copy = address.address;
    if (copy.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in*>(&copy)->sin_port = 0;
    else if (copy.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&copy)->sin6_port = 0;
    else
        return false;
    DWORD chars = kAddressTextChars;
    return WSAAddressToStringW(reinterpret_cast<sockaddr*>(&copy), DWORD(address.length), nullptr, text, &chars) == 0;
}

// The Host header names OBS as the streamer typed it: an IPv6 address
// typed bare gets the brackets a header needs.
void HostHeader(const wchar_t* host, INTERNET_PORT port, wchar_t (&header)[kHostHeaderChars])
{
    const bool bareIpv6 = host[0] != L'[' && std::wcschr(host, L':') != nullptr;
    std::swprintf(header, kHostHeaderChars, bareIpv6 ? L"Host: [%.255ls]:%u" : L"Host: %.255ls:%u", host,
                  unsigned(port));
}

// Lets go of the handles of an address given up, so the next starts afresh.
void ForgetAttempt(ObsSocket* socket)
{
    socket->requestOfCallbacks = nullptr;
    for (HINTERNET* handle : {&socket->request, &socket->connection}) {
        if (*handle != nullptr)
            WinHttpCloseHandle(*handle);
        *handle = nullptr;
    }
    ResetEvent(socket->upgradeStep);
}

ObsSocketFailure Upgrade(ObsSocket* socket, const wchar_t* address, const wchar_t* hostHeader, INTERNET_PORT port,
                         ULONGLONG deadline)
{
    socket->connection = WinHttpConnect(socket->session, address, port, 0);
    if (!Adopt(socket, socket->connection)) {
        socket->connection = nullptr;
        return ObsSocketFailure::Failed;
    }
    socket->request = WinHttpOpenRequest(socket->connection, L"GET", L"/", nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (!Adopt(socket, socket->request)) {
        socket->request = nullptr;
        return ObsSocketFailure::Failed;
    }
    socket->requestOfCallbacks = socket->request;
    // OBS is where the streamer said: a redirect elsewhere is not followed
    // but taken for what it is, an answer that is not OBS's.
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(socket->request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects) ||
        !WinHttpSetOption(socket->request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0) ||
        !WinHttpAddRequestHeaders(socket->request, kSubprotocolHeader, DWORD(-1), WINHTTP_ADDREQ_FLAG_ADD) ||
        !WinHttpAddRequestHeaders(socket->request, hostHeader, DWORD(-1),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE) ||
        !WinHttpSendRequest(socket->request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            reinterpret_cast<DWORD_PTR>(socket)))
        return ObsSocketFailure::Failed;
    ObsSocketFailure failure = AwaitUpgradeStep(socket, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, deadline);
    if (failure != ObsSocketFailure::None)
        return failure;
    if (!WinHttpReceiveResponse(socket->request, nullptr))
        return ObsSocketFailure::Failed;
    failure = AwaitUpgradeStep(socket, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, deadline);
    if (failure != ObsSocketFailure::None)
        return failure;
    if (!IsUpgraded(socket->request))
        return ObsSocketFailure::NotWebSocket;
    socket->holders.fetch_add(1);
    socket->websocket = WinHttpWebSocketCompleteUpgrade(socket->request, reinterpret_cast<DWORD_PTR>(socket));
    if (socket->websocket == nullptr) {
        socket->holders.fetch_sub(1);
        return ObsSocketFailure::NotWebSocket;
    }
    socket->websocketOfCallbacks = socket->websocket;
    WinHttpCloseHandle(socket->request);
    socket->request = nullptr;
    return ObsSocketFailure::None;
}

void StartReceive(ObsSocket* socket)
{
    if (socket->receiving || socket->closed || socket->broken)
        return;
    if (WinHttpWebSocketReceive(socket->websocket, socket->chunk, kReceiveChunkBytes, nullptr, nullptr) == NO_ERROR)
        socket->receiving = true;
    else
        socket->broken = true;
}

void QueryCloseCode(ObsSocket* socket)
{
    USHORT code = 0;
    BYTE reason[kCloseReasonBytes];
    DWORD reasonBytes = 0;
    if (WinHttpWebSocketQueryCloseStatus(socket->websocket, &code, reason, sizeof reason, &reasonBytes) == NO_ERROR)
        socket->closeCode = code;
}

// A close frame is answered with one, as the WebSocket protocol asks,
// echoing OBS's code when it is one that may be sent. The answer goes out
// while the socket is still open; CloseObsSocket waits for it a moment.
USHORT CloseAnswerCode(unsigned received)
{
    const bool sendable = (received >= 1000 && received <= 1003) || (received >= 1007 && received <= 1011) ||
                          (received >= 3000 && received <= 4999);
    return sendable ? USHORT(received) : kNormalClosure;
}

void AnswerClose(ObsSocket* socket)
{
    ResetEvent(socket->sendDone);
    const DWORD started = WinHttpWebSocketShutdown(socket->websocket, CloseAnswerCode(socket->closeCode), nullptr, 0);
    socket->answeringClose = started == NO_ERROR || started == ERROR_IO_PENDING;
}

// Takes in the receive that has completed, then starts the next one.
void TakeReceived(ObsSocket* socket)
{
    socket->receiving = false;
    if (socket->receiveError != 0) {
        socket->broken = true;
        return;
    }
    switch (socket->receivedType) {
    case WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE:
    case WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE:
        socket->partial.append(socket->chunk, socket->receivedBytes);
        if (socket->partial.size() > kObsMessageLimitBytes) {
            socket->broken = true;
            return;
        }
        if (socket->receivedType == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE) {
            if (socket->inbox.size() == kInboxMessages)
                socket->inbox.pop_front();
            socket->inbox.push_back(std::move(socket->partial));
            socket->partial.clear();
        }
        break;
    case WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE:
        socket->closed = true;
        QueryCloseCode(socket);
        AnswerClose(socket);
        return;
    default:
        // obs-websocket.json speaks text only.
        socket->broken = true;
        return;
    }
    StartReceive(socket);
}

} // namespace

ObsSocket* OpenObsSocketAt(const wchar_t* host, const HostAddresses& addresses, int* at, INTERNET_PORT port,
                           DWORD waitMs, HANDLE cancel, ObsSocketFailure* failure)
{
    const ULONGLONG deadline = DeadlineIn(waitMs);
    ObsSocket* socket = new ObsSocket;
    socket->cancel = cancel;
    socket->upgradeStep = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    socket->sendDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    socket->receiveDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    *failure = ObsSocketFailure::Failed;
    wchar_t hostHeader[kHostHeaderChars];
    HostHeader(host, port, hostHeader);
    const int first = *at >= 0 && *at < addresses.count ? *at : 0;
    if (socket->upgradeStep != nullptr && socket->sendDone != nullptr && socket->receiveDone != nullptr &&
        OpenSession(socket)) {
        *failure = ObsSocketFailure::NoListener;
        // Only an address where nothing listens gives way to the next:
        // anything else answered there, and is what OBS is.
        for (int tried = 0; tried < addresses.count && *failure == ObsSocketFailure::NoListener; ++tried) {
            const int which = (first + tried) % addresses.count;
            wchar_t address[kAddressTextChars];
            if (tried > 0)
                ForgetAttempt(socket);
            if (!AddressText(addresses.each[which], address)) {
                *failure = ObsSocketFailure::Failed;
                break;
            }
            *failure = Upgrade(socket, address, hostHeader, port, deadline);
            if (*failure == ObsSocketFailure::None)
                *at = which;
        }
    }
    if (*failure != ObsSocketFailure::None) {
        CloseObsSocket(socket);
        return nullptr;
    }
    StartReceive(socket);
    return socket;
}

ObsSocket* OpenObsSocket(const wchar_t* host, INTERNET_PORT port, DWORD waitMs, HANDLE cancel, HostAddress* worked,
                         ObsSocketFailure* failure)
{
    const ULONGLONG deadline = DeadlineIn(waitMs);
    // The lookup waits on an event: one that is never set when there is
    // no cancel.
    const HANDLE never = cancel == nullptr ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    HostLookup* pending = nullptr;
    HostAddresses addresses = {};
    LookupResult looked = LookupResult::Failed;
    if (cancel != nullptr || never != nullptr)
        looked = LookUpHost(host, port, &pending, deadline, cancel != nullptr ? cancel : never, &addresses);
    AbandonHostLookup(&pending);
    if (never != nullptr)
        CloseHandle(never);
    if (looked != LookupResult::Found) {
        *failure = looked == LookupResult::Pending ? ObsSocketFailure::TimedOut : ObsSocketFailure::HostUnknown;
        return nullptr;
    }
    int at = 0;
    for (int i = 0; i < addresses.count; ++i) {
        if (addresses.each[i].length == worked->length &&
            std::memcmp(&addresses.each[i].address, &worked->address, size_t(worked->length)) == 0)
            at = i;
    }
    const ULONGLONG now = GetTickCount64();
    ObsSocket* socket =
        OpenObsSocketAt(host, addresses, &at, port, now >= deadline ? 0 : DWORD(deadline - now), cancel, failure);
    if (socket != nullptr)
        *worked = addresses.each[at];
    return socket;
}

ObsSent SendObsText(ObsSocket* socket, const std::string& text, DWORD waitMs)
{
    if (socket->closed || socket->broken)
        return ObsSent::Gone;
    socket->sending = text;
    ObsSent sent = ObsSent::Gone;
    if (WinHttpWebSocketSend(socket->websocket, WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE, &socket->sending[0],
                             DWORD(socket->sending.size())) == NO_ERROR) {
        if (!WaitUntil(socket, socket->sendDone, DeadlineIn(waitMs)))
            sent = ObsSent::TimedOut;
        else if (socket->sendError == 0)
            return ObsSent::Sent;
    }
    // A send still under way would be overtaken by the next: the socket
    // cannot be used any more.
    socket->broken = true;
    return sent;
}

ObsReceived ReceiveObsText(ObsSocket* socket, std::string* text, ULONGLONG deadline)
{
    for (;;) {
        // Looked at before anything that came: however fast messages
        // arrive, the deadline and a cancel end the wait.
        if (GetTickCount64() >= deadline || IsCancelled(socket))
            return ObsReceived::TimedOut;
        if (!socket->inbox.empty()) {
            *text = std::move(socket->inbox.front());
            socket->inbox.pop_front();
            return ObsReceived::Message;
        }
        if (socket->closed)
            return ObsReceived::Closed;
        if (socket->broken || !socket->receiving)
            return ObsReceived::Broken;
        if (!WaitUntil(socket, socket->receiveDone, deadline))
            return ObsReceived::TimedOut;
        TakeReceived(socket);
    }
}

bool TakeWaitingObsText(ObsSocket* socket, std::string* text)
{
    if (socket->inbox.empty())
        return false;
    *text = std::move(socket->inbox.front());
    socket->inbox.pop_front();
    return true;
}

unsigned ObsCloseCode(const ObsSocket* socket)
{
    return socket->closeCode;
}

bool IsObsSocketGone(ObsSocket* socket)
{
    for (size_t taken = 0; taken < kCompletionsPerLook && socket->receiving &&
                           WaitForSingleObject(socket->receiveDone, 0) == WAIT_OBJECT_0;
         ++taken)
        TakeReceived(socket);
    return socket->closed || socket->broken;
}

void CloseObsSocket(ObsSocket* socket)
{
    if (socket == nullptr)
        return;
    if (socket->answeringClose)
        WaitUntil(socket, socket->sendDone, DeadlineIn(kCloseAnswerWaitMs));
    // Closing a handle cuts short what is under way on it.
    for (HINTERNET* handle : {&socket->websocket, &socket->request, &socket->connection, &socket->session}) {
        if (*handle != nullptr)
            WinHttpCloseHandle(*handle);
        *handle = nullptr;
    }
    LetGo(socket);
}

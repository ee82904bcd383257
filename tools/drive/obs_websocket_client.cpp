// WinHTTP runs asynchronously here: under Wine a synchronous WebSocket
// receive ignores every timeout and cannot be cut short by closing its
// handle, so a frozen OBS would hold the test for ever. An asynchronous
// receive is waited for with a deadline and cancelled by closing the handle.
#include "drive/obs_websocket_client.h"

#include <bcrypt.h>
#include <wincrypt.h>

#include <cJSON.h>

#include <cstdio>
#include <memory>

namespace {

// One WinHTTP receive fills at most this much; a message may take several.
constexpr DWORD kReceiveChunkBytes = 8192;
// A bigger message than this is taken as a fault (500 scenes take ~40 KiB).
constexpr size_t kMessageBytes = 1024 * 1024;
// A close frame's reason is at most 123 bytes.
constexpr DWORD kCloseReasonBytes = 123;
constexpr DWORD kSha256Bytes = 32;
// How long Close waits for WinHTTP to let go of each handle, and for the
// goodbye to go out.
constexpr DWORD kLetGoMs = 5000;
constexpr DWORD kGoodbyeMs = 1000;

constexpr int kOpHello = 0;
constexpr int kOpIdentify = 1;
constexpr int kOpIdentified = 2;
constexpr int kOpEvent = 5;
constexpr int kOpRequest = 6;
constexpr int kOpRequestResponse = 7;
constexpr int kRpcVersion = 1;

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// A string member of an object, null when it is missing or not a string.
const char* StringIn(const cJSON* object, const char* name)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(item) ? item->valuestring : nullptr;
}

} // namespace

// Fields the callback writes are read by the test's thread only after the
// event the callback sets next.
struct ObsWebSocketLink {
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    HINTERNET websocket = nullptr;
    // Auto-reset; set by the callback when a step of the upgrade, a send or
    // the goodbye, or a receive is over.
    HANDLE handshakeDone = nullptr;
    HANDLE sendDone = nullptr;
    HANDLE receiveDone = nullptr;
    // Manual-reset; set when WinHTTP has let go of every handle opened.
    HANDLE allClosed = nullptr;
    volatile LONG openHandles = 0;
    DWORD handshakeError = 0;
    DWORD sendError = 0;
    DWORD receiveError = 0;
    DWORD receivedBytes = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE receivedType = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
    // Test thread only: a receive was started and has not been waited for
    // to its end; the next wait goes on waiting for it.
    bool receiving = false;
    // Test thread only: the connection failed or was closed.
    bool broken = false;
    // Test thread only: a step of the upgrade was started and not waited
    // for to its end. Wine does not cancel it when the handles close, so
    // they are let go only once the server answers.
    bool handshakeInFlight = false;
    // What a send in flight sends; it must live until the send is over.
    std::string sending;
    // What WinHTTP's asynchronous receive fills; its out parameters point
    // here too, since they must outlive the call.
    char chunk[kReceiveChunkBytes] = {};
    DWORD unusedBytes = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE unusedType = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
};

namespace {

void CALLBACK OnWinHttpStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD)
{
    auto* link = reinterpret_cast<ObsWebSocketLink*>(context);
    if (link == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        link->handshakeError = 0;
        SetEvent(link->handshakeDone);
        break;
    case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_SHUTDOWN_COMPLETE:
        link->sendError = 0;
        SetEvent(link->sendDone);
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE: {
        const auto* read = static_cast<const WINHTTP_WEB_SOCKET_STATUS*>(info);
        link->receivedBytes = read->dwBytesTransferred;
        link->receivedType = read->eBufferType;
        link->receiveError = 0;
        SetEvent(link->receiveDone);
        break;
    }
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        if (handle != nullptr && handle == link->websocket) {
            const auto* result = static_cast<const WINHTTP_WEB_SOCKET_ASYNC_RESULT*>(info);
            if (result->Operation == WINHTTP_WEB_SOCKET_RECEIVE_OPERATION) {
                link->receiveError = result->AsyncResult.dwError ? result->AsyncResult.dwError : ERROR_GEN_FAILURE;
                SetEvent(link->receiveDone);
            } else {
                link->sendError = result->AsyncResult.dwError ? result->AsyncResult.dwError : ERROR_GEN_FAILURE;
                SetEvent(link->sendDone);
            }
        } else {
            const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(info);
            link->handshakeError = result->dwError ? result->dwError : ERROR_GEN_FAILURE;
            SetEvent(link->handshakeDone);
        }
        break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        if (InterlockedDecrement(&link->openHandles) == 0)
            SetEvent(link->allClosed);
        break;
    default:
        break;
    }
}

// Counts a handle WinHTTP opened, so that its closing can be waited for.
bool Adopt(ObsWebSocketLink* link, HINTERNET handle)
{
    if (handle == nullptr)
        return false;
    InterlockedIncrement(&link->openHandles);
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(link);
    WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
    return true;
}

ObsWebSocketLink* NewLink()
{
    auto* link = new ObsWebSocketLink;
    link->handshakeDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    link->sendDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    link->receiveDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    link->allClosed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return link;
}

void CloseHandleOnce(HINTERNET* handle)
{
    if (*handle != nullptr)
        WinHttpCloseHandle(*handle);
    *handle = nullptr;
}

// Closes every handle (which cancels a send or receive in flight) and frees
// the link once WinHTTP has let go of them all. If it has not in time, or
// cannot yet, its callbacks may still come, so the link is left to them: a
// small leak, in a test that met an OBS that does not answer.
void ReleaseLink(ObsWebSocketLink* link)
{
    if (link == nullptr)
        return;
    const bool anyOpened = link->openHandles > 0;
    CloseHandleOnce(&link->websocket);
    CloseHandleOnce(&link->request);
    CloseHandleOnce(&link->connection);
    CloseHandleOnce(&link->session);
    if (link->handshakeInFlight)
        return;
    if (anyOpened && WaitForSingleObject(link->allClosed, kLetGoMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "ObsWebSocket: WinHTTP kept %ld handles after %lu ms; their state is left to it\n",
                     link->openHandles, kLetGoMs);
        std::fflush(stderr);
        return;
    }
    for (HANDLE event : {link->handshakeDone, link->sendDone, link->receiveDone, link->allClosed})
        if (event != nullptr)
            CloseHandle(event);
    delete link;
}

// Waits for an event until the deadline; false when it passed.
bool WaitUntilDeadline(HANDLE event, ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    const DWORD left = deadline > now ? DWORD(deadline - now) : 0;
    return WaitForSingleObject(event, left) == WAIT_OBJECT_0;
}

bool Sha256(const std::string& text, BYTE (&digest)[kSha256Bytes])
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    if (done) {
        done = BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(text.data())),
                                             ULONG(text.size()), 0)) &&
               BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, kSha256Bytes, 0));
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}

std::string Base64(const BYTE* bytes, DWORD count)
{
    constexpr DWORD kFlags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD chars = 0;
    if (!CryptBinaryToStringA(bytes, count, kFlags, nullptr, &chars) || chars == 0)
        return {};
    std::string text(chars, '\0');
    if (!CryptBinaryToStringA(bytes, count, kFlags, &text[0], &chars))
        return {};
    text.resize(chars); // without the terminator the call counted
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

} // namespace

std::string ObsSecret(const std::string& password, const std::string& salt)
{
    BYTE digest[kSha256Bytes];
    if (!Sha256(password + salt, digest))
        return {};
    return Base64(digest, kSha256Bytes);
}

std::string ObsAuthentication(const std::string& password, const std::string& salt, const std::string& challenge)
{
    BYTE digest[kSha256Bytes];
    const std::string secret = ObsSecret(password, salt);
    if (secret.empty() || !Sha256(secret + challenge, digest))
        return {};
    return Base64(digest, kSha256Bytes);
}

bool ObsWebSocket::Fail(const std::string& reason)
{
    error_ = reason;
    return false;
}

bool ObsWebSocket::IsConnected() const
{
    return link_ != nullptr && link_->websocket != nullptr && !link_->broken;
}

void ObsWebSocket::Close()
{
    if (link_ == nullptr)
        return;
    if (IsConnected()) {
        link_->sending.clear();
        if (WinHttpWebSocketShutdown(link_->websocket, WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr, 0) ==
            ERROR_SUCCESS)
            WaitForSingleObject(link_->sendDone, kGoodbyeMs);
    }
    ReleaseLink(link_);
    link_ = nullptr;
    partial_.clear();
}

bool ObsWebSocket::OpenSocket(unsigned short port, ULONGLONG deadline)
{
    ObsWebSocketLink* link = link_;
    link->session = WinHttpOpen(L"kestrelcue-tests", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!Adopt(link, link->session))
        return Fail("WinHttpOpen failed with error " + std::to_string(GetLastError()));
    WinHttpSetStatusCallback(link->session, OnWinHttpStatus, WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS, 0);
    link->connection = WinHttpConnect(link->session, L"127.0.0.1", port, 0);
    if (!Adopt(link, link->connection))
        return Fail("WinHttpConnect failed with error " + std::to_string(GetLastError()));
    link->request = WinHttpOpenRequest(link->connection, L"GET", L"/", nullptr, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (!Adopt(link, link->request))
        return Fail("WinHttpOpenRequest failed with error " + std::to_string(GetLastError()));
    if (!WinHttpSetOption(link->request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0))
        return Fail("WinHTTP refused the WebSocket upgrade option: error " + std::to_string(GetLastError()));

    const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(link);
    if (!WinHttpSendRequest(link->request, L"Sec-WebSocket-Protocol: obswebsocket.json", DWORD(-1), nullptr, 0, 0,
                            context))
        return Fail("WinHttpSendRequest failed with error " + std::to_string(GetLastError()));
    link->handshakeInFlight = true;
    if (!WaitUntilDeadline(link->handshakeDone, deadline))
        return Fail("the WebSocket upgrade request was not sent in time");
    link->handshakeInFlight = false;
    if (link->handshakeError != 0)
        return Fail("connecting to OBS on port " + std::to_string(port) + " failed with error " +
                    std::to_string(link->handshakeError));
    if (!WinHttpReceiveResponse(link->request, nullptr))
        return Fail("WinHttpReceiveResponse failed with error " + std::to_string(GetLastError()));
    link->handshakeInFlight = true;
    if (!WaitUntilDeadline(link->handshakeDone, deadline))
        return Fail("OBS did not answer the WebSocket upgrade in time");
    link->handshakeInFlight = false;
    if (link->handshakeError != 0)
        return Fail("reading OBS's answer to the upgrade failed with error " + std::to_string(link->handshakeError));
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(link->request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
        status != HTTP_STATUS_SWITCH_PROTOCOLS)
        return Fail("OBS answered the upgrade with HTTP status " + std::to_string(status));
    link->websocket = WinHttpWebSocketCompleteUpgrade(link->request, context);
    if (!Adopt(link, link->websocket))
        return Fail("WinHttpWebSocketCompleteUpgrade failed with error " + std::to_string(GetLastError()));
    CloseHandleOnce(&link->request);
    return true;
}

bool ObsWebSocket::Connect(unsigned short port, const std::string& password, unsigned eventSubscriptions)
{
    Close();
    sceneChanges_.clear();
    closeCode_ = 0;
    closeReason_.clear();
    error_.clear();
    link_ = NewLink();
    if (Identify(port, password, eventSubscriptions))
        return true;
    // A half-made connection is no connection.
    const std::string reason = error_;
    Close();
    return Fail(reason);
}

bool ObsWebSocket::Identify(unsigned short port, const std::string& password, unsigned eventSubscriptions)
{
    const ULONGLONG deadline = Deadline();
    if (!OpenSocket(port, deadline))
        return false;
    cJSON* received = nullptr;
    if (!ReceiveOp(kOpHello, &received, deadline))
        return Fail("no Hello: " + error_);
    Json hello(received);
    const cJSON* helloData = cJSON_GetObjectItemCaseSensitive(hello.get(), "d");
    const cJSON* challenge = cJSON_GetObjectItemCaseSensitive(helloData, "authentication");

    Json identify(cJSON_CreateObject());
    cJSON_AddNumberToObject(identify.get(), "op", kOpIdentify);
    cJSON* d = cJSON_AddObjectToObject(identify.get(), "d");
    cJSON_AddNumberToObject(d, "rpcVersion", kRpcVersion);
    if (challenge != nullptr) {
        const char* salt = StringIn(challenge, "salt");
        const char* nonce = StringIn(challenge, "challenge");
        if (salt == nullptr || nonce == nullptr)
            return Fail("Hello asks for authentication without a salt and a challenge");
        const std::string authentication = ObsAuthentication(password, salt, nonce);
        if (authentication.empty())
            return Fail("computing the authentication string failed");
        cJSON_AddStringToObject(d, "authentication", authentication.c_str());
    }
    // Left out, the subscriptions would default to every event but the
    // high-volume ones.
    cJSON_AddNumberToObject(d, "eventSubscriptions", eventSubscriptions);
    if (!SendJson(identify.get(), deadline))
        return false;
    if (!ReceiveOp(kOpIdentified, &received, deadline))
        return Fail("not identified: " + error_);
    cJSON_Delete(received);
    return true;
}

bool ObsWebSocket::SendJson(const cJSON* message, ULONGLONG deadline)
{
    if (!IsConnected())
        return Fail("not connected to OBS");
    char* text = cJSON_PrintUnformatted(message);
    if (text == nullptr)
        return Fail("cJSON could not print a message");
    link_->sending = text;
    cJSON_free(text);
    const DWORD error = WinHttpWebSocketSend(link_->websocket, WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                             &link_->sending[0], DWORD(link_->sending.size()));
    if (error != ERROR_SUCCESS) {
        link_->broken = true;
        return Fail("WinHttpWebSocketSend failed with error " + std::to_string(error));
    }
    if (!WaitUntilDeadline(link_->sendDone, deadline)) {
        // The send may still be in flight, so its text must stay as it is:
        // nothing more is sent on this connection.
        link_->broken = true;
        return Fail("sending to OBS did not end in time");
    }
    if (link_->sendError != 0) {
        link_->broken = true;
        return Fail("sending to OBS failed with error " + std::to_string(link_->sendError));
    }
    return true;
}

bool ObsWebSocket::ReceiveMessage(std::string* text, ULONGLONG deadline)
{
    for (;;) {
        if (!IsConnected())
            return Fail(closeCode_ != 0 ? "OBS closed the connection with code " + std::to_string(closeCode_) + " (" +
                                              closeReason_ + ")"
                                        : "not connected to OBS");
        if (!link_->receiving) {
            const DWORD error = WinHttpWebSocketReceive(link_->websocket, link_->chunk, kReceiveChunkBytes,
                                                        &link_->unusedBytes, &link_->unusedType);
            if (error != ERROR_SUCCESS) {
                link_->broken = true;
                return Fail("WinHttpWebSocketReceive failed with error " + std::to_string(error));
            }
            link_->receiving = true;
        }
        if (!WaitUntilDeadline(link_->receiveDone, deadline))
            return Fail("nothing came from OBS in time");
        link_->receiving = false;
        if (link_->receiveError != 0) {
            link_->broken = true;
            return Fail("receiving from OBS failed with error " + std::to_string(link_->receiveError));
        }
        switch (link_->receivedType) {
        case WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE: {
            USHORT code = 0;
            char reason[kCloseReasonBytes + 1] = {};
            DWORD reasonBytes = 0;
            if (WinHttpWebSocketQueryCloseStatus(link_->websocket, &code, reason, kCloseReasonBytes, &reasonBytes) ==
                ERROR_SUCCESS) {
                reason[reasonBytes < kCloseReasonBytes ? reasonBytes : kCloseReasonBytes] = '\0';
                closeCode_ = code;
                closeReason_ = reason;
            }
            link_->broken = true;
            return Fail("OBS closed the connection with code " + std::to_string(closeCode_) + " (" + closeReason_ +
                        ")");
        }
        case WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE:
        case WINHTTP_WEB_SOCKET_BINARY_FRAGMENT_BUFFER_TYPE:
        case WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE:
        case WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE:
            break;
        default:
            link_->broken = true;
            return Fail("WinHTTP reported a buffer of unknown type " + std::to_string(int(link_->receivedType)));
        }
        const DWORD bytes = link_->receivedBytes < kReceiveChunkBytes ? link_->receivedBytes : kReceiveChunkBytes;
        partial_.append(link_->chunk, bytes);
        if (partial_.size() > kMessageBytes) {
            link_->broken = true;
            return Fail("OBS sent a message of more than " + std::to_string(kMessageBytes) + " bytes");
        }
        if (link_->receivedType == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE ||
            link_->receivedType == WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE) {
            text->swap(partial_);
            partial_.clear();
            return true;
        }
    }
}

void ObsWebSocket::KeepEvent(const cJSON* message)
{
    const cJSON* d = cJSON_GetObjectItemCaseSensitive(message, "d");
    const char* type = StringIn(d, "eventType");
    if (type == nullptr || std::string(type) != "CurrentProgramSceneChanged")
        return;
    const char* scene = StringIn(cJSON_GetObjectItemCaseSensitive(d, "eventData"), "sceneName");
    if (scene == nullptr)
        return;
    ObsSceneChange change;
    change.sceneName = scene;
    QueryPerformanceCounter(&change.receivedAt);
    sceneChanges_.push_back(change);
}

bool ObsWebSocket::ReceiveJson(cJSON** message, ULONGLONG deadline)
{
    std::string text;
    if (!ReceiveMessage(&text, deadline))
        return false;
    cJSON* parsed = cJSON_ParseWithLength(text.data(), text.size());
    const cJSON* op = cJSON_GetObjectItemCaseSensitive(parsed, "op");
    if (!cJSON_IsNumber(op)) {
        cJSON_Delete(parsed);
        return Fail("OBS sent a message that is not obs-websocket's JSON: " + text.substr(0, 200));
    }
    if (op->valueint == kOpEvent)
        KeepEvent(parsed);
    *message = parsed;
    return true;
}

bool ObsWebSocket::ReceiveOp(int op, cJSON** message, ULONGLONG deadline)
{
    for (;;) {
        cJSON* received = nullptr;
        if (!ReceiveJson(&received, deadline))
            return false;
        if (cJSON_GetObjectItemCaseSensitive(received, "op")->valueint == op) {
            *message = received;
            return true;
        }
        cJSON_Delete(received);
    }
}

bool ObsWebSocket::Request(const char* type, cJSON* requestData, cJSON** responseData)
{
    Json data(requestData);
    const ULONGLONG deadline = Deadline();
    const std::string id = std::to_string(nextRequestId_++);
    Json message(cJSON_CreateObject());
    cJSON_AddNumberToObject(message.get(), "op", kOpRequest);
    cJSON* d = cJSON_AddObjectToObject(message.get(), "d");
    cJSON_AddStringToObject(d, "requestType", type);
    cJSON_AddStringToObject(d, "requestId", id.c_str());
    if (data)
        cJSON_AddItemToObject(d, "requestData", data.release());
    if (!SendJson(message.get(), deadline))
        return Fail(std::string(type) + ": " + error_);
    // Answers to requests whose wait ended earlier come first; they are
    // passed over.
    for (;;) {
        cJSON* received = nullptr;
        if (!ReceiveOp(kOpRequestResponse, &received, deadline))
            return Fail(std::string(type) + ": " + error_);
        Json response(received);
        cJSON* answer = cJSON_GetObjectItemCaseSensitive(response.get(), "d");
        const char* answeredId = StringIn(answer, "requestId");
        if (answeredId == nullptr || id != answeredId)
            continue;
        const cJSON* status = cJSON_GetObjectItemCaseSensitive(answer, "requestStatus");
        if (!cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(status, "result"))) {
            const cJSON* code = cJSON_GetObjectItemCaseSensitive(status, "code");
            const char* comment = StringIn(status, "comment");
            return Fail(std::string(type) + " failed with code " +
                        std::to_string(cJSON_IsNumber(code) ? code->valueint : -1) +
                        (comment ? std::string(": ") + comment : std::string()));
        }
        if (responseData != nullptr)
            *responseData = cJSON_DetachItemFromObjectCaseSensitive(answer, "responseData");
        return true;
    }
}

bool ObsWebSocket::GetVersion(std::string* obsVersion, std::string* webSocketVersion)
{
    cJSON* received = nullptr;
    if (!Request("GetVersion", nullptr, &received))
        return false;
    Json data(received);
    const char* obs = StringIn(data.get(), "obsVersion");
    const char* websocket = StringIn(data.get(), "obsWebSocketVersion");
    if (obs == nullptr || websocket == nullptr)
        return Fail("GetVersion: no obsVersion or obsWebSocketVersion in the response");
    *obsVersion = obs;
    *webSocketVersion = websocket;
    return true;
}

bool ObsWebSocket::GetSceneList(std::vector<std::string>* names)
{
    cJSON* received = nullptr;
    if (!Request("GetSceneList", nullptr, &received))
        return false;
    Json data(received);
    const cJSON* scenes = cJSON_GetObjectItemCaseSensitive(data.get(), "scenes");
    if (!cJSON_IsArray(scenes))
        return Fail("GetSceneList: no scenes array in the response");
    names->clear();
    const cJSON* scene = nullptr;
    cJSON_ArrayForEach(scene, scenes)
    {
        const char* name = StringIn(scene, "sceneName");
        if (name == nullptr)
            return Fail("GetSceneList: a scene without a sceneName");
        names->push_back(name);
    }
    return true;
}

bool ObsWebSocket::GetCurrentProgramScene(std::string* name)
{
    cJSON* received = nullptr;
    if (!Request("GetCurrentProgramScene", nullptr, &received))
        return false;
    Json data(received);
    const char* scene = StringIn(data.get(), "currentProgramSceneName");
    if (scene == nullptr)
        return Fail("GetCurrentProgramScene: no currentProgramSceneName in the response");
    *name = scene;
    return true;
}

bool ObsWebSocket::SetCurrentProgramScene(const std::string& name)
{
    cJSON* data = cJSON_CreateObject();
    cJSON_AddStringToObject(data, "sceneName", name.c_str());
    return Request("SetCurrentProgramScene", data, nullptr);
}

namespace {

cJSON* SceneNamed(const std::string& name)
{
    cJSON* data = cJSON_CreateObject();
    cJSON_AddStringToObject(data, "sceneName", name.c_str());
    return data;
}

} // namespace

bool ObsWebSocket::CreateScene(const std::string& name)
{
    return Request("CreateScene", SceneNamed(name), nullptr);
}

bool ObsWebSocket::RemoveScene(const std::string& name)
{
    return Request("RemoveScene", SceneNamed(name), nullptr);
}

bool ObsWebSocket::RenameScene(const std::string& name, const std::string& newName)
{
    cJSON* data = SceneNamed(name);
    cJSON_AddStringToObject(data, "newSceneName", newName.c_str());
    return Request("SetSceneName", data, nullptr);
}

bool ObsWebSocket::CreateTextSource(const std::string& sceneName, const std::string& inputName,
                                   const std::string& text)
{
    cJSON* data = cJSON_CreateObject();
    cJSON_AddStringToObject(data, "sceneName", sceneName.c_str());
    cJSON_AddStringToObject(data, "inputName", inputName.c_str());
    cJSON_AddStringToObject(data, "inputKind", "text_ft2_source_v2");
    cJSON* settings = cJSON_AddObjectToObject(data, "inputSettings");
    cJSON_AddStringToObject(settings, "text", text.c_str());
    cJSON_AddBoolToObject(data, "sceneItemEnabled", true);
    return Request("CreateInput", data, nullptr);
}

bool ObsWebSocket::GetInputText(const std::string& inputName, std::string* text)
{
    cJSON* data = cJSON_CreateObject();
    cJSON_AddStringToObject(data, "inputName", inputName.c_str());
    cJSON* received = nullptr;
    if (!Request("GetInputSettings", data, &received))
        return false;
    Json answer(received);
    const cJSON* settings = cJSON_GetObjectItemCaseSensitive(answer.get(), "inputSettings");
    const char* value = StringIn(settings, "text");
    if (value == nullptr)
        return Fail("GetInputSettings: no text in the input's settings");
    *text = value;
    return true;
}

bool ObsWebSocket::WaitForSceneChange(ObsSceneChange* change, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (sceneChanges_.empty()) {
        cJSON* received = nullptr;
        if (!ReceiveJson(&received, deadline))
            return Fail("no CurrentProgramSceneChanged: " + error_);
        cJSON_Delete(received);
    }
    *change = sceneChanges_.front();
    sceneChanges_.pop_front();
    return true;
}

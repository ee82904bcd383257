#include "drive/fake_obs_server.h"

#include <bcrypt.h>
#include <wincrypt.h>

#include <cJSON.h>

#include <cstring>
#include <vector>

#include "drive/loopback_server_socket.h"
#include "drive/obs_websocket_client.h"

namespace {

constexpr DWORD kPollMs = 100;
// While an answer is held back, the client is looked at this often.
constexpr DWORD kAnswerPollMs = 10;
constexpr DWORD kPortWaitMs = 30000;
constexpr size_t kHeadBytes = 16384;
constexpr size_t kFrameBytes = 1 << 20;
constexpr size_t kMegabytesAnswerBytes = 5 * 1024 * 1024;
constexpr DWORD kSha1Bytes = 20;
constexpr DWORD kBase64Chars = 64;
constexpr char kWebSocketGuid[] = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
// How long the server listens for the client's answer to its close frame.
constexpr DWORD kCloseAnswerWaitMs = 3000;
// How long a client that was redirected may take to go.
constexpr DWORD kClientGoneWaitMs = 10000;
// A flood sends so many messages at a time, then looks whether the client
// is still there; each message lists so many scenes.
constexpr unsigned kFloodBatchMessages = 32;
constexpr unsigned kFloodSceneCount = 300;

enum Opcode : unsigned char { kText = 0x1, kBinary = 0x2, kClose = 0x8, kPing = 0x9 };

bool ReceiveAll(SOCKET socket, unsigned char* bytes, size_t count)
{
    while (count > 0) {
        const int got = recv(socket, reinterpret_cast<char*>(bytes), int(count), 0);
        if (got <= 0)
            return false;
        bytes += got;
        count -= size_t(got);
    }
    return true;
}

// The head of a server frame (never masked) for a payload of `length` bytes.
std::string FrameHead(Opcode opcode, size_t length)
{
    std::string head(1, char(0x80 | opcode));
    if (length < 126) {
        head += char(length);
    } else if (length <= 0xFFFF) {
        head += char(126);
        head += char(length >> 8);
        head += char(length & 0xFF);
    } else {
        head += char(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            head += char((unsigned long long)length >> shift & 0xFF);
    }
    return head;
}

bool SendFrame(SOCKET socket, Opcode opcode, const std::string& payload)
{
    const std::string frame = FrameHead(opcode, payload.size()) + payload;
    return SendAll(socket, frame.data(), frame.size());
}

// One client frame, unmasked; false when the connection ended or the frame
// is larger than the server takes.
bool ReceiveFrame(SOCKET socket, unsigned char* opcode, std::string* payload)
{
    unsigned char head[2];
    if (!ReceiveAll(socket, head, 2))
        return false;
    *opcode = head[0] & 0x0F;
    unsigned long long length = head[1] & 0x7F;
    if (length == 126 || length == 127) {
        unsigned char extended[8];
        const size_t bytes = length == 126 ? 2 : 8;
        if (!ReceiveAll(socket, extended, bytes))
            return false;
        length = 0;
        for (size_t i = 0; i < bytes; ++i)
            length = length << 8 | extended[i];
    }
    if (length > kFrameBytes)
        return false;
    unsigned char mask[4] = {};
    if ((head[1] & 0x80) != 0 && !ReceiveAll(socket, mask, 4))
        return false;
    std::vector<unsigned char> bytes(static_cast<size_t>(length));
    if (length > 0 && !ReceiveAll(socket, bytes.data(), bytes.size()))
        return false;
    payload->resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        (*payload)[i] = char(bytes[i] ^ mask[i % 4]);
    return true;
}

// base64(SHA-1(key + GUID)), the Sec-WebSocket-Accept of the key.
std::string AcceptOf(const std::string& key)
{
    const std::string text = key + kWebSocketGuid;
    BYTE digest[kSha1Bytes] = {};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0)))
        return "";
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool hashed = false;
    if (BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        hashed = BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(text.data())), ULONG(text.size()), 0)) &&
                 BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, kSha1Bytes, 0));
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    char chars[kBase64Chars] = {};
    DWORD length = kBase64Chars;
    if (!hashed || !CryptBinaryToStringA(digest, kSha1Bytes, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, chars, &length))
        return "";
    return chars;
}

// The value of a header in a request head, found without regard to case.
std::string HeaderValue(const std::string& head, const std::string& name)
{
    std::string lowered = head;
    for (char& c : lowered)
        c = char(tolower(static_cast<unsigned char>(c)));
    std::string wanted = "\r\n" + name + ":";
    for (char& c : wanted)
        c = char(tolower(static_cast<unsigned char>(c)));
    const size_t at = lowered.find(wanted);
    if (at == std::string::npos)
        return "";
    size_t from = at + wanted.size();
    while (from < head.size() && head[from] == ' ')
        ++from;
    const size_t to = head.find("\r\n", from);
    return head.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// Whether the client has closed its end or sent a close frame; anything
// else it sent meanwhile is read and dropped.
bool HasClientGone(SOCKET client)
{
    if (!WaitReadable(client, 0))
        return false;
    char peek = 0;
    if (recv(client, &peek, 1, MSG_PEEK) <= 0)
        return true;
    unsigned char opcode = 0;
    std::string payload;
    return !ReceiveFrame(client, &opcode, &payload) || opcode == kClose;
}

// A member of the request's "d" as text; empty when it has none.
std::string RequestField(const std::string& request, const char* name)
{
    std::string value;
    cJSON* root = cJSON_Parse(request.c_str());
    const cJSON* d = cJSON_GetObjectItemCaseSensitive(root, "d");
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(d, name);
    if (cJSON_IsString(item))
        value = item->valuestring;
    cJSON_Delete(root);
    return value;
}

std::string Answer(const std::string& requestType, const std::string& requestId, const std::string& status,
                   const std::string& data)
{
    std::string answer = "{\"op\":7,\"d\":{\"requestType\":\"" + requestType + "\",\"requestId\":\"" + requestId +
                         "\",\"requestStatus\":" + status;
    if (!data.empty())
        answer += ",\"responseData\":" + data;
    return answer + "}}";
}

// What OBS answers to the requests the program makes, GetVersion's and
// GetSceneList's data included.
std::string ProperAnswer(const std::string& requestType, const std::string& requestId)
{
    std::string data;
    if (requestType == "GetVersion")
        data = std::string("{\"obsVersion\":\"") + kFakeObsVersion + "\",\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1}";
    else if (requestType == "GetSceneList")
        data = "{\"currentProgramSceneName\":\"Menus\",\"scenes\":[{\"sceneIndex\":0,\"sceneName\":\"Menus\"},"
               "{\"sceneIndex\":1,\"sceneName\":\"Game\"}]}";
    return Answer(requestType, requestId, "{\"result\":true,\"code\":100}", data);
}

// The scene list of an OBS with a few hundred scenes, as its events and
// GetSceneList carry it: some kilobytes, and some work for a reader.
std::string ManyScenes()
{
    std::string scenes = "[";
    for (unsigned i = 0; i < kFloodSceneCount; ++i)
        scenes += std::string(i > 0 ? "," : "") + "{\"sceneIndex\":" + std::to_string(i) + ",\"sceneName\":\"Scene " +
                  std::to_string(i) + "\"}";
    return scenes + "]";
}

std::string SceneListChangedEvent()
{
    return "{\"op\":5,\"d\":{\"eventType\":\"SceneListChanged\",\"eventIntent\":4,\"eventData\":{\"scenes\":" +
           ManyScenes() + "}}}";
}

std::string SceneListAnswer(const std::string& requestId)
{
    return Answer("GetSceneList", requestId, "{\"result\":true,\"code\":100}",
                  "{\"currentProgramSceneName\":\"Scene 0\",\"scenes\":" + ManyScenes() + "}");
}

std::string CloseFramePayload(unsigned short code)
{
    return std::string(1, char(code >> 8)) + char(code & 0xFF) + "closed by the fake OBS";
}

} // namespace

bool FakeObsServer::Start(unsigned short port)
{
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listener_ = ListenOnLoopback(port, kPortWaitMs);
    if (listener_ == INVALID_SOCKET)
        return false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void FakeObsServer::Stop()
{
    if (stop_ != nullptr)
        SetEvent(stop_);
    if (thread_.joinable())
        thread_.join();
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
    listener_ = INVALID_SOCKET;
    if (stop_ != nullptr)
        CloseHandle(stop_);
    stop_ = nullptr;
}

std::vector<FakeObsConnection> FakeObsServer::Connections() const
{
    std::lock_guard<std::mutex> hold(connectionsLock_);
    return connections_;
}

void FakeObsServer::Record(const std::function<void(FakeObsConnection&)>& change)
{
    std::lock_guard<std::mutex> hold(connectionsLock_);
    if (!connections_.empty())
        change(connections_.back());
}

bool FakeObsServer::IsStopping() const
{
    return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0;
}

void FakeObsServer::Serve()
{
    while (!IsStopping()) {
        if (!WaitReadable(listener_, kPollMs))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        {
            std::lock_guard<std::mutex> hold(connectionsLock_);
            connections_.emplace_back();
            connections_.back().acceptedAt = GetTickCount64();
        }
        Talk(client);
        Record([](FakeObsConnection& connection) { connection.endedAt = GetTickCount64(); });
        // Nothing lingers on the port when a real OBS takes it.
        DropConnection(client);
    }
}

bool FakeObsServer::Upgrade(SOCKET client)
{
    std::string head;
    char chunk[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > kHeadBytes || !WaitReadable(client, 5000))
            return false;
        const int got = recv(client, chunk, sizeof chunk, 0);
        if (got <= 0)
            return false;
        head.append(chunk, size_t(got));
    }
    const std::string host = HeaderValue(head, "Host");
    Record([&host](FakeObsConnection& connection) { connection.host = host; });
    if (behaviour_.redirectPort != 0) {
        const std::string redirect = "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" +
                                     std::to_string(behaviour_.redirectPort) + "/\r\nContent-Length: 0\r\n\r\n";
        if (SendAll(client, redirect.data(), redirect.size()))
            WaitForTheClientToGo(client);
        return false;
    }
    const std::string answer = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                               "Sec-WebSocket-Accept: " + AcceptOf(HeaderValue(head, "Sec-WebSocket-Key")) +
                               "\r\nSec-WebSocket-Protocol: obswebsocket.json\r\n\r\n";
    return SendAll(client, answer.data(), answer.size());
}

bool FakeObsServer::SayHello(SOCKET client)
{
    if (behaviour_.helloDelayMs > 0 && WaitForSingleObject(stop_, behaviour_.helloDelayMs) == WAIT_OBJECT_0)
        return false;
    std::string hello = "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1";
    if (!behaviour_.password.empty())
        hello += std::string(",\"authentication\":{\"challenge\":\"") + kFakeObsChallenge + "\",\"salt\":\"" +
                 kFakeObsSalt + "\"}";
    hello += "}}";
    if (behaviour_.helloControlBytesFirst)
        hello = "\x01\x02\x03" + hello;
    return SendFrame(client, kText, hello) && !behaviour_.dropAfterHello;
}

bool FakeObsServer::Identify(SOCKET client, const std::string& identify)
{
    if (!behaviour_.password.empty() &&
        RequestField(identify, "authentication") !=
            ObsAuthentication(behaviour_.password, kFakeObsSalt, kFakeObsChallenge)) {
        CloseAndHearTheAnswer(client, kObsCloseAuthenticationFailed);
        return false;
    }
    if (behaviour_.identifyCloseCode != 0) {
        CloseAndHearTheAnswer(client, behaviour_.identifyCloseCode);
        return false;
    }
    ++identified_;
    Record([](FakeObsConnection& connection) { connection.identified = true; });
    return SendFrame(client, kText, "{\"op\":2,\"d\":{\"negotiatedRpcVersion\":1}}");
}

// Sends a close frame, then waits a while for the client's: a client
// answers one with its own.
void FakeObsServer::CloseAndHearTheAnswer(SOCKET client, unsigned short code)
{
    if (!SendFrame(client, kClose, CloseFramePayload(code)))
        return;
    const ULONGLONG deadline = GetTickCount64() + kCloseAnswerWaitMs;
    while (!IsStopping() && GetTickCount64() < deadline) {
        if (!WaitReadable(client, kPollMs))
            continue;
        unsigned char opcode = 0;
        std::string payload;
        if (!ReceiveFrame(client, &opcode, &payload))
            return;
        if (opcode == kClose) {
            const unsigned short answered =
                payload.size() >= 2 ? (unsigned short)(static_cast<unsigned char>(payload[0]) << 8 |
                                                       static_cast<unsigned char>(payload[1]))
                                    : 0;
            Record([answered](FakeObsConnection& connection) {
                connection.closeAnswered = true;
                connection.closeAnswerCode = answered;
            });
            return;
        }
    }
}

void FakeObsServer::WaitForTheClientToGo(SOCKET client)
{
    const ULONGLONG deadline = GetTickCount64() + kClientGoneWaitMs;
    char chunk[1024];
    while (!IsStopping() && GetTickCount64() < deadline) {
        if (WaitReadable(client, kPollMs) && recv(client, chunk, sizeof chunk, 0) <= 0)
            return;
    }
}

bool FakeObsServer::AnswerRequest(SOCKET client, const std::string& request)
{
    ++requests_;
    Record([](FakeObsConnection& connection) {
        if (connection.firstRequestAt == 0)
            connection.firstRequestAt = GetTickCount64();
    });
    const std::string id = RequestField(request, "requestId");
    const std::string type = RequestField(request, "requestType");
    Record([&](FakeObsConnection& connection) { connection.conversation.push_back(type); });
    if (type == "GetSceneList" && behaviour_.sceneListDelayMs > 0) {
        delayedList_ = {id, GetTickCount64() + behaviour_.sceneListDelayMs};
        return true;
    }
    Record([&](FakeObsConnection& connection) { connection.conversation.push_back("answer " + type); });
    return Reply(client, type, id);
}

bool FakeObsServer::Reply(SOCKET client, const std::string& type, const std::string& id)
{
    switch (behaviour_.answer) {
    case FakeObsAnswer::Proper:
        return SendFrame(client, kText, ProperAnswer(type, id));
    case FakeObsAnswer::FrameCutShort: {
        const std::string answer = ProperAnswer(type, id);
        const std::string frame = FrameHead(kText, answer.size() + 100) + answer;
        SendAll(client, frame.data(), frame.size());
        return false;
    }
    case FakeObsAnswer::NotJson:
        return SendFrame(client, kText, "this is not JSON {\"op\":7");
    case FakeObsAnswer::WrongRequestId:
        return SendFrame(client, kText, ProperAnswer(type, id + "-not-yours"));
    case FakeObsAnswer::Megabytes: {
        std::string padding = ",\"padding\":\"";
        padding.append(kMegabytesAnswerBytes, 'x');
        std::string answer = ProperAnswer(type, id);
        answer.insert(answer.size() - 2, padding + "\"");
        return SendFrame(client, kText, answer);
    }
    case FakeObsAnswer::BinaryFrame:
        return SendFrame(client, kBinary, ProperAnswer(type, id));
    case FakeObsAnswer::Nothing:
        return true;
    case FakeObsAnswer::FloodOfEvents:
    case FakeObsAnswer::OtherIdsWithoutEnd:
        return Flood(client, id);
    case FakeObsAnswer::ControlBytesFirst:
        return SendFrame(client, kText, "\x01\x02\x03" + ProperAnswer(type, id));
    case FakeObsAnswer::Refused:
        return SendFrame(client, kText,
                         Answer(type, id, "{\"result\":false,\"code\":207,\"comment\":\"OBS is not ready yet.\"}", ""));
    }
    return false;
}

// Messages without end until the client goes (or the server stops); the
// connection is over then. They go out in batches, faster than any client
// reads them, so a client always has whole messages waiting.
bool FakeObsServer::Flood(SOCKET client, const std::string& requestId)
{
    flooding_ = true;
    unsigned number = 0;
    while (!IsStopping() && !HasClientGone(client)) {
        std::string batch;
        for (unsigned i = 0; i < kFloodBatchMessages; ++i) {
            ++number;
            const std::string message = behaviour_.answer == FakeObsAnswer::FloodOfEvents
                                            ? SceneListChangedEvent()
                                            : SceneListAnswer(requestId + "-other-" + std::to_string(number));
            batch += FrameHead(kText, message.size()) + message;
        }
        if (!SendAll(client, batch.data(), batch.size()))
            break;
    }
    flooding_ = false;
    return false;
}

void FakeObsServer::Talk(SOCKET client)
{
    if (!Upgrade(client) || !SayHello(client))
        return;
    delayedList_ = {};
    while (!IsStopping()) {
        if (!delayedList_.id.empty() && GetTickCount64() >= delayedList_.due) {
            const std::string id = delayedList_.id;
            delayedList_ = {};
            Record([](FakeObsConnection& connection) { connection.conversation.push_back("answer GetSceneList"); });
            if (!Reply(client, "GetSceneList", id))
                return;
        }
        if (!WaitReadable(client, kAnswerPollMs))
            continue;
        unsigned char opcode = 0;
        std::string payload;
        if (!ReceiveFrame(client, &opcode, &payload) || opcode == kClose)
            return;
        if (opcode == kPing) {
            SendFrame(client, Opcode(0xA), payload);
            continue;
        }
        cJSON* root = cJSON_Parse(payload.c_str());
        const cJSON* op = cJSON_GetObjectItemCaseSensitive(root, "op");
        const int code = cJSON_IsNumber(op) ? op->valueint : -1;
        cJSON_Delete(root);
        bool goOn = true;
        if (code == 1)
            goOn = Identify(client, payload);
        else if (code == 6)
            goOn = AnswerRequest(client, payload);
        if (!goOn)
            return;
    }
}

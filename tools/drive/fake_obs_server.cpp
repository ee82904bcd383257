#include "drive/fake_obs_server.h"

#include <bcrypt.h>
#include <wincrypt.h>

#include <cJSON.h>

#include <cstring>
#include <vector>

#include "drive/loopback_server_socket.h"

namespace {

constexpr DWORD kPollMs = 100;
constexpr DWORD kPortWaitMs = 30000;
constexpr size_t kHeadBytes = 16384;
constexpr size_t kFrameBytes = 1 << 20;
constexpr size_t kMegabytesAnswerBytes = 5 * 1024 * 1024;
constexpr DWORD kSha1Bytes = 20;
constexpr DWORD kBase64Chars = 64;
constexpr char kWebSocketGuid[] = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

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

std::string RequestIdOf(const std::string& request)
{
    std::string id;
    cJSON* root = cJSON_Parse(request.c_str());
    const cJSON* d = cJSON_GetObjectItemCaseSensitive(root, "d");
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(d, "requestId");
    if (cJSON_IsString(item))
        id = item->valuestring;
    cJSON_Delete(root);
    return id;
}

std::string ProperAnswer(const std::string& requestId)
{
    return "{\"op\":7,\"d\":{\"requestType\":\"SetCurrentProgramScene\",\"requestId\":\"" + requestId +
           "\",\"requestStatus\":{\"result\":true,\"code\":100}}}";
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
        Talk(client);
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
    const std::string answer = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                               "Sec-WebSocket-Accept: " + AcceptOf(HeaderValue(head, "Sec-WebSocket-Key")) +
                               "\r\nSec-WebSocket-Protocol: obswebsocket.json\r\n\r\n";
    return SendAll(client, answer.data(), answer.size()) &&
           SendFrame(client, kText, "{\"op\":0,\"d\":{\"obsWebSocketVersion\":\"5.1.0\",\"rpcVersion\":1}}");
}

bool FakeObsServer::AnswerRequest(SOCKET client, const std::string& request)
{
    ++requests_;
    const std::string id = RequestIdOf(request);
    switch (answer_) {
    case FakeObsAnswer::Proper:
        return SendFrame(client, kText, ProperAnswer(id));
    case FakeObsAnswer::FrameCutShort: {
        const std::string answer = ProperAnswer(id);
        const std::string frame = FrameHead(kText, answer.size() + 100) + answer;
        SendAll(client, frame.data(), frame.size());
        return false;
    }
    case FakeObsAnswer::NotJson:
        return SendFrame(client, kText, "this is not JSON {\"op\":7");
    case FakeObsAnswer::WrongRequestId:
        return SendFrame(client, kText, ProperAnswer(id + "-not-yours"));
    case FakeObsAnswer::Megabytes: {
        std::string answer = "{\"op\":7,\"d\":{\"requestType\":\"SetCurrentProgramScene\",\"requestId\":\"" + id +
                             "\",\"requestStatus\":{\"result\":true,\"code\":100},\"padding\":\"";
        answer.append(kMegabytesAnswerBytes, 'x');
        answer += "\"}}";
        return SendFrame(client, kText, answer);
    }
    case FakeObsAnswer::BinaryFrame:
        return SendFrame(client, kBinary, ProperAnswer(id));
    case FakeObsAnswer::Nothing:
        return true;
    }
    return false;
}

void FakeObsServer::Talk(SOCKET client)
{
    if (!Upgrade(client))
        return;
    while (!IsStopping()) {
        if (!WaitReadable(client, kPollMs))
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
        if (code == 1) {
            ++identified_;
            goOn = SendFrame(client, kText, "{\"op\":2,\"d\":{\"negotiatedRpcVersion\":1}}");
        } else if (code == 6) {
            goOn = AnswerRequest(client, payload);
        }
        if (!goOn)
            return;
    }
}

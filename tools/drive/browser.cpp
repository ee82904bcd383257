// The DevTools protocol is JSON over a WebSocket; the client here is the
// least of one (text frames, masked as a client's must be, no extensions),
// over a plain socket so that every wait is a select with a deadline.
#include "drive/browser.h"

#include <wincrypt.h>

#include <cJSON.h>

#include <memory>

#include "drive/child_process.h"
#include "drive/http_get.h"
#include "drive/linux_peer.h"

namespace {

// The controller connects back within this, and says Chromium's port within
// the next (longer than the script's own deadline of 60 s).
constexpr DWORD kControllerConnectMs = 30000;
constexpr DWORD kReadyMs = 90000;
constexpr DWORD kCallMs = 15000;
constexpr DWORD kLoadMs = 30000;
// A screenshot's base64 is the largest message; more than this is an error.
constexpr size_t kMostMessageBytes = 64 * 1024 * 1024;
constexpr size_t kMostGreetingBytes = 4096;
constexpr int kChunkBytes = 65536;

struct JsonFree {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonFree>;

std::string JsonText(const std::string& text)
{
    Json item(cJSON_CreateString(text.c_str()));
    char* printed = item ? cJSON_PrintUnformatted(item.get()) : nullptr;
    const std::string json = printed != nullptr ? printed : "\"\"";
    cJSON_free(printed);
    return json;
}

const char* StringOf(const cJSON* object, const char* name)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(item) ? item->valuestring : nullptr;
}

bool WaitReadable(SOCKET sock, ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline)
        return false;
    const ULONGLONG left = deadline - now;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(sock, &readable);
    timeval limit = {long(left / 1000), long(left % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

bool SendAll(SOCKET sock, const std::string& bytes)
{
    for (size_t sent = 0; sent < bytes.size();) {
        const int n = send(sock, bytes.data() + sent, int(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

// Reads from the socket until `end` is in *bytes or the deadline passes.
bool ReadUntil(SOCKET sock, const char* end, std::string* bytes, ULONGLONG deadline)
{
    while (bytes->find(end) == std::string::npos) {
        char chunk[kChunkBytes];
        if (bytes->size() > kMostGreetingBytes || !WaitReadable(sock, deadline))
            return false;
        const int got = recv(sock, chunk, kChunkBytes, 0);
        if (got <= 0)
            return false;
        bytes->append(chunk, size_t(got));
    }
    return true;
}

// The path of the first page's WebSocket in /json/list.
std::string PagePath(const std::string& list)
{
    Json targets(cJSON_Parse(list.c_str()));
    const cJSON* target = nullptr;
    cJSON_ArrayForEach(target, targets.get())
    {
        const char* type = StringOf(target, "type");
        const char* url = StringOf(target, "webSocketDebuggerUrl");
        if (type != nullptr && std::string(type) == "page" && url != nullptr) {
            const std::string address = url;
            const size_t path = address.find("/devtools/");
            return path == std::string::npos ? "" : address.substr(path);
        }
    }
    return "";
}

} // namespace

bool HeadlessBrowser::Fail(const std::string& reason)
{
    error_ = reason;
    return false;
}

bool HeadlessBrowser::Start(const std::wstring& folder)
{
    Close();
    control_ = ConnectLinuxPeer(L"browser-peer", folder, kControllerConnectMs, &error_);
    if (control_ == INVALID_SOCKET)
        return false;
    std::string greeting;
    if (!ReadUntil(control_, "\n", &greeting, GetTickCount64() + kReadyMs) || greeting.compare(0, 6, "ready ") != 0)
        return Fail("the controller did not say Chromium's port: " + greeting);
    const unsigned short port = static_cast<unsigned short>(std::stoul(greeting.substr(6)));
    const HttpAnswer list = HttpGet(port, L"/json/list");
    const std::string path = PagePath(list.body);
    if (list.status != 200 || path.empty())
        return Fail("Chromium listed no page: " + list.body);

    page_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (page_ == INVALID_SOCKET || connect(page_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Fail("connecting to Chromium's DevTools failed with error " + std::to_string(WSAGetLastError()));
    const std::string upgrade = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: a2VzdHJlbGN1ZS1wYWdlMQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    std::string answer;
    if (!SendAll(page_, upgrade) || !ReadUntil(page_, "\r\n\r\n", &answer, GetTickCount64() + kCallMs) ||
        answer.compare(0, 12, "HTTP/1.1 101") != 0)
        return Fail("Chromium's DevTools refused the WebSocket: " + answer.substr(0, answer.find("\r\n")));
    pending_ = answer.substr(answer.find("\r\n\r\n") + 4);
    return true;
}

void HeadlessBrowser::Close()
{
    if (page_ != INVALID_SOCKET)
        closesocket(page_);
    if (control_ != INVALID_SOCKET)
        closesocket(control_);
    page_ = INVALID_SOCKET;
    control_ = INVALID_SOCKET;
    pending_.clear();
}

bool HeadlessBrowser::SendFrame(const std::string& text)
{
    std::string frame = "\x81";
    const size_t size = text.size();
    if (size < 126) {
        frame += char(0x80 | size);
    } else if (size < 65536) {
        frame += char(0x80 | 126);
        frame += char(size >> 8);
        frame += char(size & 0xff);
    } else {
        frame += char(0x80 | 127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += char((uint64_t(size) >> shift) & 0xff);
    }
    const unsigned char mask[4] = {0x4b, 0x65, 0x73, 0x74};
    frame.append(reinterpret_cast<const char*>(mask), 4);
    for (size_t i = 0; i < size; ++i)
        frame += char(text[i] ^ mask[i % 4]);
    return SendAll(page_, frame) || Fail("sending to Chromium failed with error " + std::to_string(WSAGetLastError()));
}

bool HeadlessBrowser::ReadBytes(size_t count, std::string* bytes, ULONGLONG deadline)
{
    while (pending_.size() < count) {
        if (!WaitReadable(page_, deadline))
            return Fail("Chromium did not answer in time");
        char chunk[kChunkBytes];
        const int got = recv(page_, chunk, kChunkBytes, 0);
        if (got <= 0)
            return Fail("Chromium closed the DevTools connection");
        pending_.append(chunk, size_t(got));
    }
    *bytes = pending_.substr(0, count);
    pending_.erase(0, count);
    return true;
}

bool HeadlessBrowser::ReceiveMessage(std::string* text, ULONGLONG deadline)
{
    text->clear();
    for (;;) {
        std::string head;
        if (!ReadBytes(2, &head, deadline))
            return false;
        const bool final = (head[0] & 0x80) != 0;
        const int opcode = head[0] & 0x0f;
        uint64_t size = uint64_t(head[1] & 0x7f);
        std::string extended;
        if (size >= 126) {
            if (!ReadBytes(size == 126 ? 2 : 8, &extended, deadline))
                return false;
            size = 0;
            for (char c : extended)
                size = (size << 8) | static_cast<unsigned char>(c);
        }
        if (size > kMostMessageBytes || text->size() + size > kMostMessageBytes)
            return Fail("Chromium sent a message of more than " + std::to_string(kMostMessageBytes) + " bytes");
        std::string payload;
        if (!ReadBytes(size_t(size), &payload, deadline))
            return false;
        if (opcode == 8)
            return Fail("Chromium closed the DevTools connection");
        if (opcode == 9 && !SendFrame(std::string()))
            return false;
        if (opcode == 0 || opcode == 1)
            *text += payload;
        if (final && (opcode == 0 || opcode == 1))
            return true;
    }
}

bool HeadlessBrowser::Call(const std::string& method, const std::string& params, std::string* result,
                           DWORD timeoutMs)
{
    if (page_ == INVALID_SOCKET)
        return Fail("Chromium was not started");
    const unsigned id = nextId_++;
    if (!SendFrame("{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params + "}"))
        return false;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        std::string text;
        if (!ReceiveMessage(&text, deadline))
            return Fail(method + ": " + error_);
        Json message(cJSON_Parse(text.c_str()));
        const cJSON* answerId = cJSON_GetObjectItemCaseSensitive(message.get(), "id");
        if (!cJSON_IsNumber(answerId) || unsigned(answerId->valuedouble) != id)
            continue;  // an event, or the answer to a call that timed out
        const cJSON* error = cJSON_GetObjectItemCaseSensitive(message.get(), "error");
        if (error != nullptr) {
            const char* reason = StringOf(error, "message");
            return Fail(method + ": " + (reason != nullptr ? reason : "an error"));
        }
        char* printed = cJSON_PrintUnformatted(cJSON_GetObjectItemCaseSensitive(message.get(), "result"));
        *result = printed != nullptr ? printed : "{}";
        cJSON_free(printed);
        return true;
    }
}

bool HeadlessBrowser::Navigate(const std::string& url)
{
    std::string result;
    if (!Call("Page.navigate", "{\"url\":" + JsonText(url) + "}", &result, kCallMs))
        return false;
    Json answer(cJSON_Parse(result.c_str()));
    const char* failed = StringOf(answer.get(), "errorText");
    if (failed != nullptr)
        return Fail("Chromium could not load " + url + ": " + failed);
    std::string state;
    return WaitUntil([&] { return Evaluate("document.readyState", &state) && state == "complete"; }, kLoadMs) ||
           Fail("the page did not load: " + url + " (" + error_ + ")");
}

bool HeadlessBrowser::Evaluate(const std::string& expression, std::string* value, DWORD timeoutMs)
{
    std::string result;
    if (!Call("Runtime.evaluate",
              "{\"expression\":" + JsonText(expression) + ",\"returnByValue\":true,\"awaitPromise\":true}", &result,
              timeoutMs))
        return false;
    Json tree(cJSON_Parse(result.c_str()));
    const cJSON* thrown = cJSON_GetObjectItemCaseSensitive(tree.get(), "exceptionDetails");
    if (thrown != nullptr) {
        const char* text = StringOf(cJSON_GetObjectItemCaseSensitive(thrown, "exception"), "description");
        return Fail("the page threw: " + std::string(text != nullptr ? text : result.c_str()));
    }
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(cJSON_GetObjectItemCaseSensitive(tree.get(), "result"),
                                                         "value");
    if (cJSON_IsString(item)) {
        *value = item->valuestring;
    } else {
        char* printed = item != nullptr ? cJSON_PrintUnformatted(item) : nullptr;
        *value = printed != nullptr ? printed : "undefined";
        cJSON_free(printed);
    }
    return true;
}

std::string HeadlessBrowser::ValueOf(const std::string& expression)
{
    std::string value;
    return Evaluate(expression, &value) ? value : std::string();
}

bool HeadlessBrowser::SaveScreenshot(const std::wstring& file, int width, int height)
{
    std::string result;
    const std::string clip = "{\"x\":0,\"y\":0,\"width\":" + std::to_string(width) +
                             ",\"height\":" + std::to_string(height) + ",\"scale\":1}";
    if (!Call("Page.captureScreenshot", "{\"format\":\"png\",\"captureBeyondViewport\":true,\"clip\":" + clip + "}",
              &result, kCallMs))
        return false;
    Json tree(cJSON_Parse(result.c_str()));
    const char* base64 = StringOf(tree.get(), "data");
    DWORD bytes = 0;
    if (base64 == nullptr ||
        !CryptStringToBinaryA(base64, 0, CRYPT_STRING_BASE64, nullptr, &bytes, nullptr, nullptr))
        return Fail("Chromium sent no picture");
    std::string png(bytes, '\0');
    CryptStringToBinaryA(base64, 0, CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(&png[0]), &bytes, nullptr, nullptr);
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return Fail("cannot write the picture, error " + std::to_string(GetLastError()));
    DWORD written = 0;
    const bool ok = WriteFile(out, png.data(), bytes, &written, nullptr) && written == bytes;
    CloseHandle(out);
    return ok || Fail("writing the picture failed");
}

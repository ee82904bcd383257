// WinHTTP used as the product uses it (one session, one connection, plain
// GETs), so what a test sees of a server is what the product will see.
#include "drive/http_get.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr wchar_t kUserAgent[] = L"Kestrelcue-tests/1.0";
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kSendTimeoutMs = 5000;
// WinHTTP reports at most 8 KiB at a time under Wine; reads are this big at most.
constexpr DWORD kReadChunkBytes = 65536;

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The raw headers WinHTTP kept, or "" when there are none.
std::wstring RawHeaders(HINTERNET request)
{
    DWORD bytes = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0)
        return L"";
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, &text[0], &bytes,
                             WINHTTP_NO_HEADER_INDEX))
        return L"";
    text.resize(bytes / sizeof(wchar_t));
    return text;
}

DWORD ReadBody(HINTERNET request, std::string* body)
{
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available))
            return GetLastError();
        if (available == 0)
            return 0;
        if (body->size() >= kHttpAnswerBodyBytes)
            return ERROR_MORE_DATA;
        const DWORD wanted =
            DWORD(std::min<size_t>({available, kReadChunkBytes, kHttpAnswerBodyBytes - body->size()}));
        const size_t kept = body->size();
        body->resize(kept + wanted);
        DWORD got = 0;
        const bool read = WinHttpReadData(request, &(*body)[kept], wanted, &got);
        body->resize(kept + (read ? got : 0));
        if (!read)
            return GetLastError();
        if (got == 0)
            return 0;
    }
}

void Exchange(HINTERNET request, HttpAnswer* answer)
{
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
        answer->error = GetLastError();
        return;
    }
    DWORD status = 0;
    DWORD statusBytes = sizeof status;
    if (WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusBytes, WINHTTP_NO_HEADER_INDEX))
        answer->status = int(status);
    answer->headers = RawHeaders(request);
    answer->error = ReadBody(request, &answer->body);
}

} // namespace

std::string HttpAnswer::Header(const std::string& name) const
{
    const std::string wanted = Lowered(name) + ":";
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = headers.size();
        // Header lines are ASCII; anything else cannot match a name.
        std::string line;
        for (size_t i = start; i < end; ++i)
            line += headers[i] < 0x80 ? char(headers[i]) : '?';
        if (Lowered(line.substr(0, wanted.size())) == wanted) {
            const size_t value = line.find_first_not_of(" \t", wanted.size());
            return value == std::string::npos ? "" : line.substr(value);
        }
        start = end + 2;
    }
    return "";
}

HttpClient::HttpClient(unsigned short port, DWORD receiveTimeoutMs, const wchar_t* host)
    : session_(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0))
{
    if (session_ == nullptr)
        return;
    WinHttpSetTimeouts(session_, 0, int(kConnectTimeoutMs), int(kSendTimeoutMs), int(receiveTimeoutMs));
    connection_ = WinHttpConnect(session_, host, port, 0);
}

HttpClient::~HttpClient()
{
    if (connection_ != nullptr)
        WinHttpCloseHandle(connection_);
    if (session_ != nullptr)
        WinHttpCloseHandle(session_);
}

HttpAnswer HttpClient::Get(const wchar_t* path)
{
    HttpAnswer answer;
    HINTERNET request = connection_ == nullptr ? nullptr
                                               : WinHttpOpenRequest(connection_, L"GET", path, nullptr,
                                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (request == nullptr) {
        answer.error = GetLastError();
        return answer;
    }
    Exchange(request, &answer);
    WinHttpCloseHandle(request);
    return answer;
}

HttpAnswer HttpGet(unsigned short port, const wchar_t* path, DWORD receiveTimeoutMs, const wchar_t* host)
{
    return HttpClient(port, receiveTimeoutMs, host).Get(path);
}

// A small WinHTTP client for the tests, so they can ask a local server (the
// simulated game's client API) the way the product will, and confirm it
// answers before they rely on it.
#pragma once
#include <windows.h>
#include <winhttp.h>

#include <string>

// A body past this is not read further, and the answer says so.
constexpr size_t kHttpAnswerBodyBytes = 16 * 1024 * 1024;
constexpr DWORD kHttpReceiveTimeoutMs = 15000;

struct HttpAnswer {
    // 0, or the Windows error of the step that failed (for example 12029,
    // ERROR_WINHTTP_CANNOT_CONNECT, when nothing listens; ERROR_MORE_DATA
    // when the body was longer than kHttpAnswerBodyBytes).
    DWORD error = 0;
    int status = 0;
    std::string body;      // what was read, even when a later read failed
    std::wstring headers;  // the status line and header lines, CRLF-separated

    // The first value of a header ("" when absent); the name is compared
    // without regard to letter case.
    std::string Header(const std::string& name) const;
};

// Keeps one WinHTTP session and connection, so its requests go over one TCP
// connection for as long as the server keeps it open, as the product's do.
class HttpClient {
public:
    explicit HttpClient(unsigned short port, DWORD receiveTimeoutMs = kHttpReceiveTimeoutMs,
                        const wchar_t* host = L"127.0.0.1");
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpAnswer Get(const wchar_t* path);

private:
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
};

// One GET to the host (a loopback address) on a session of its own.
HttpAnswer HttpGet(unsigned short port, const wchar_t* path, DWORD receiveTimeoutMs = kHttpReceiveTimeoutMs,
                   const wchar_t* host = L"127.0.0.1");

// A real browser as the overlay page's peer: Debian's Chromium, headless,
// run by scripts/browser-peer (copied beside the executables) with a fresh
// profile in the folder given, and driven over its DevTools protocol on a
// loopback port, as a browser source of OBS Studio or XSplit loads a page.
// Every wait is bounded; a call that fails says why in Error().
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

class HeadlessBrowser {
public:
    HeadlessBrowser() = default;
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;
    // The controller's connection closes and Chromium ends with it.
    ~HeadlessBrowser() { Close(); }

    // Starts Chromium with its profile in the folder (a Windows path) and
    // connects to its one page; true once it answers.
    bool Start(const std::wstring& folder);
    // Loads the address in the page; true once it has loaded.
    bool Navigate(const std::string& url);
    // The value of a JavaScript expression in the page, as text (a string
    // as it is, anything else as JSON); a promise is awaited. False when it
    // threw or took longer than timeoutMs.
    bool Evaluate(const std::string& expression, std::string* value, DWORD timeoutMs = 10000);
    // Evaluate's value, "" when it failed.
    std::string ValueOf(const std::string& expression);
    // A PNG of the page's top left corner, this many CSS pixels wide and
    // high, written to the file (a Windows path).
    bool SaveScreenshot(const std::wstring& file, int width, int height);
    void Close();
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& reason);
    // Sends a DevTools command (params is a JSON object's text) and reads
    // until its answer; *result is the answer's "result" as JSON text.
    bool Call(const std::string& method, const std::string& params, std::string* result, DWORD timeoutMs);
    bool SendFrame(const std::string& text);
    bool ReceiveMessage(std::string* text, ULONGLONG deadline);
    bool ReadBytes(size_t count, std::string* bytes, ULONGLONG deadline);

    SOCKET control_ = INVALID_SOCKET;
    SOCKET page_ = INVALID_SOCKET;
    // Bytes read from the page's connection and not used yet.
    std::string pending_;
    unsigned nextId_ = 1;
    std::string error_;
};

// A test standing in for the shell's notification area. Shell_NotifyIconW
// finds the shell by its window class, "Shell_TrayWnd", and hands it each
// request as WM_COPYDATA; a window of that class made after Explorer's lies
// above it and is the one found, so the program's own, unaltered calls
// come here while this object lives. It keeps what the shell would keep
// (the icon, its tip, its callback) and clicks as the shell does, by
// sending the callback message to the icon's window.
//
// The bytes are those of Wine 8.0's shell32: the request's fields in a
// fixed form (hWnd, uID, uFlags, uCallbackMessage, szTip[128], dwState,
// dwStateMask, szInfo[256], uVersion, szInfoTitle[64], dwInfoFlags,
// guidItem, then the icon's width, height, planes and bits per pixel),
// followed by the icon's bits. A request in another form is counted as
// unreadable, so a test says so rather than reading nonsense.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One request as the shell received it.
struct TrayRequest {
    DWORD message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE, NIM_SETVERSION...
    HWND window = nullptr;
    UINT id = 0;
    UINT flags = 0;
    UINT callbackMessage = 0;
    std::wstring tip;
    UINT version = 0;
    UINT iconWidth = 0, iconHeight = 0;  // of the icon's bits, when NIF_ICON
};

// What the shell holds for one icon after the requests so far.
struct TrayIconState {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    std::wstring tip;
    UINT version = 0;
    bool hasIcon = false;
};

class StandInTray {
public:
    StandInTray() = default;
    StandInTray(const StandInTray&) = delete;
    StandInTray& operator=(const StandInTray&) = delete;
    ~StandInTray();

    // Makes the window on a thread of its own; false when it could not be
    // made, or when Shell_NotifyIconW would find another window first.
    bool Start();
    HWND Window() const { return window_; }

    std::vector<TrayRequest> Requests() const;
    size_t UnreadableRequests() const;
    // The icon the shell holds for `window`; false when it holds none.
    bool IconOf(HWND window, TrayIconState* icon) const;
    // Polls until the shell holds an icon for `window` (whose tip, when
    // given, is `tip`); false when the time ran out.
    bool WaitForIcon(HWND window, DWORD timeoutMs = 15000) const;
    bool WaitForTip(HWND window, const std::wstring& tip, DWORD timeoutMs = 15000) const;
    bool WaitForNoIcon(HWND window, DWORD timeoutMs = 15000) const;

    // What the shell sends on a click of the icon, a right click (the
    // menu) and the keyboard's Enter on it, in the form the icon's version
    // asks for. False when the shell holds no icon for `window`.
    bool Click(HWND window) const;
    bool RightClick(HWND window) const;

private:
    bool Notify(HWND window, UINT event) const;
    void Run(HANDLE ready);
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Receive(DWORD message, const void* data, DWORD size);

    std::thread thread_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    mutable std::mutex lock_;
    std::vector<TrayRequest> requests_;
    std::vector<TrayIconState> icons_;
    size_t unreadable_ = 0;
};

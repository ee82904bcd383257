// The real Kestrelcue.exe, driven as a user would: by messages to the
// controls of its main window.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "drive/child_process.h"

constexpr wchar_t kMainCaption[] = L"Kestrelcue (build 20120112)";
constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ondelvane\\Kestrelcue";

// Removes the program's settings so that a test starts as a first run.
void DeleteSettings();

class KestrelcueProgram {
public:
    // Starts the program and waits for its main window; false when it never showed.
    bool Launch(const std::vector<std::wstring>& args = {});
    ChildProcess& Process() { return process_; }
    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }

    std::wstring Text(int id) const;
    std::wstring Status() const { return Text(1012); }
    void SetText(int id, const std::wstring& text) const;
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    // A click as the user makes it: the control notifies the window, which
    // has handled it when this returns.
    void Click(int id) const;
    void SetChecked(int id, bool checked) const;
    void PressStartStop() const { Click(1011); }

    bool WaitForStatus(const std::wstring& expected, DWORD timeoutMs = 15000) const;
    // Every status text seen while polling until `expected` shows, for tests
    // that check a sequence.
    bool WaitForStatusSeen(const std::wstring& expected, std::vector<std::wstring>* seen,
                           DWORD timeoutMs = 15000) const;
    // Closes the main window as the caption's close box does and waits for the process to end.
    bool Close(DWORD timeoutMs = 15000);

private:
    ChildProcess process_;
    HWND window_ = nullptr;
};

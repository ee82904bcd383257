// The simulated game and the simulated XSplit, as the tests start them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "drive/child_process.h"

constexpr DWORD kSimFlagAddress = 0x20000000;

class SimulatedGame {
public:
    bool Launch(DWORD flagAddress = kSimFlagAddress, bool inGame = false);
    ChildProcess& Process() { return process_; }
    HWND Window() const { return window_; }
    // Writes the in-game flag byte from outside, as the real game does from inside.
    bool SetFlag(BYTE value);
    void StartGame() { SetFlag(1); }
    void EndGame() { SetFlag(0); }
    // Presses the game's "Make flag unreadable" button, which releases the
    // flag's block; true once the flag no longer reads from outside.
    bool MakeFlagUnreadable();
    void Kill() { process_.Kill(); window_ = nullptr; }

private:
    ChildProcess process_;
    HWND window_ = nullptr;
    DWORD flagAddress_ = kSimFlagAddress;
};

class SimulatedXSplit {
public:
    // Starts xsplit.core.exe (or a copy under another name) with these
    // scenes and options; waits for its main window unless it starts hidden.
    bool Launch(const std::vector<std::wstring>& scenes, const std::vector<std::wstring>& options = {},
                const std::wstring& exeName = L"xsplit.core.exe");
    ChildProcess& Process() { return process_; }
    HWND Window() const;
    // Every clicked caption so far, in order.
    std::vector<std::wstring> Clicks() const;
    // The file the simulator appends each clicked caption to; it exists
    // once the first click has landed.
    const std::wstring& LogPath() const { return logPath_; }
    bool WaitForClicks(size_t count, DWORD timeoutMs = 15000) const;
    void Kill() { process_.Kill(); }
    // Closes the main window and opens a new one in the same process.
    bool ReopenWindow();

private:
    ChildProcess process_;
    std::wstring logPath_;
    std::wstring windowClass_ = L"WindowsForms10.Window.8.app.0.KestrelSim";
};

// Brings a window to the front as alt+tab would.
bool BringToFront(HWND window);

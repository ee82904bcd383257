// The simulated game and the simulated XSplit, as the tests start them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "drive/child_process.h"
#include "drive/http_get.h"
#include "sim_game/sim_game_control.h"

constexpr DWORD kSimFlagAddress = 0x20000000;
constexpr unsigned short kSimApiPort = kSimDefaultApiPort;

// How the simulated game starts when its client API is wanted; the faults
// are those of sim_game's --api-... options.
struct SimApiOptions {
    unsigned short port = kSimApiPort;
    // Where it listens; another loopback address stands for another computer.
    std::wstring address = L"127.0.0.1";
    DWORD flagAddress = kSimFlagAddress;
    bool inGame = false;
    bool closed = false;
    DWORD slowMs = 0;
    int status = 0;  // 0: none
    bool garbage = false;
    bool oversized = false;
    bool reset = false;
    bool halfThenHang = false;
    DWORD gameSlowMs = 0;  // /game alone
    int gameBroken = 0;    // /game alone: 1 status 500, 2 not JSON
};

// One player of a line-up the simulated game is told to play next.
struct SimLineupPlayer {
    std::string name;  // UTF-8, as the game would send it
    std::string type;  // "user" or "computer"
    std::string race;  // "Terr", "Zerg", "Prot", "random"
    std::string resultAtEnd;  // "Victory", "Defeat", "Tie", "Undecided"
};

class SimulatedGame {
public:
    // Starts the game with its client API closed, so that a test that only
    // writes the flag neither needs nor holds the API's port.
    bool Launch(DWORD flagAddress = kSimFlagAddress, bool inGame = false);
    // Starts the game with its client API; unless it starts closed, waits
    // until this game's own API answers.
    bool LaunchWithApi(const SimApiOptions& options = SimApiOptions());
    ChildProcess& Process() { return process_; }
    HWND Window() const { return window_; }
    // Writes the in-game flag byte from outside, as the real game does from
    // inside. The client API does not follow it.
    bool SetFlag(BYTE value);
    bool ReadFlag(BYTE* value) const;
    void StartGame() { SetFlag(1); }
    void EndGame() { SetFlag(0); }
    // Presses the game's "Make flag unreadable" button, which releases the
    // flag's block; true once the flag no longer reads from outside.
    bool MakeFlagUnreadable();
    void Kill() { process_.Kill(); window_ = nullptr; }

    // The game's screens, by its buttons: the flag and the client API both
    // follow. Each returns once the game has changed screen.
    bool ShowMenus() { return PressButton(kSimShowMenusCommand); }
    bool ShowLoading() { return PressButton(kSimShowLoadingCommand); }
    bool EnterGame() { return PressButton(kSimStartGameCommand); }   // "Start game"
    bool ShowScore() { return PressButton(kSimEndGameCommand); }     // "End game": the score screen
    bool StartReplay() { return PressButton(kSimStartReplayCommand); }
    bool ObserveGame() { return PressButton(kSimObserveGameCommand); }  // a game of two others
    bool ShowLostScore() { return PressButton(kSimEndGameLostCommand); }  // "End game (loss)"
    // The map on again for the same game, its results kept: its end told twice.
    bool ShowMapAgain() { return PressButton(kSimShowMapAgainCommand); }
    bool TurnResults() { return PressButton(kSimTurnResultsCommand); }
    // Who plays the next game or replay that EnterGame or StartReplay starts.
    bool SetLineup(const std::vector<SimLineupPlayer>& players);

    // Switches a fault of the client API (kSimApi... kinds, with their
    // number); returns once it is in force.
    bool SetApiFault(SimApiFaultKind kind, LPARAM value);
    bool ClearApiFaults() { return SetApiFault(kSimApiNoFaults, 0); }

    unsigned short ApiPort() const { return apiPort_; }
    // One GET of the game's client API, on a connection of its own.
    HttpAnswer GetApi(const wchar_t* path, DWORD receiveTimeoutMs = kHttpReceiveTimeoutMs) const;
    // Whether this answer came from this game (and not another on the port).
    bool IsOwnAnswer(const HttpAnswer& answer) const;
    // Waits until this game's client API answers GET /ui.
    bool WaitForApi(DWORD timeoutMs = 30000) const;

private:
    bool Start(DWORD flagAddress, const std::vector<std::wstring>& args);
    bool PressButton(int command);

    ChildProcess process_;
    HWND window_ = nullptr;
    DWORD flagAddress_ = kSimFlagAddress;
    unsigned short apiPort_ = kSimApiPort;
    std::wstring apiAddress_ = L"127.0.0.1";
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
    // Longer than a sampling period and a click: a request that follows the
    // last expected one has landed by then.
    static constexpr DWORD kQuietAfterClicksMs = 400;
    // Waits for this many clicks, then a little longer so that a click too
    // many shows as well; returns every click so far.
    std::vector<std::wstring> SettledClicks(size_t count) const;
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

// Keys typed as the user types them: to the focused control of the
// foreground window; with Alt held down when `withAlt`.
void TypeKey(WORD key, bool withAlt = false);
void TypeText(const std::wstring& text);

// A click of the mouse in the middle of a window, as the user makes it.
void ClickWithMouse(HWND window);
// Moves the keyboard focus to a field of the foreground dialog; true once
// it has it, so that what is typed next goes there.
bool FocusField(HWND field);

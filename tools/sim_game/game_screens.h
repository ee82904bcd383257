// The simulated game's screens and the last game it played, and what its
// client API answers for them. Plain values and functions: the window owns
// one GameView and hands copies to the API's threads.
#pragma once
#include <windows.h>

#include <string>

enum class Screen { Menus, Loading, InGame, Score, Replay };

// The game /game tells of: the one loading, running or last played.
struct GameRecord {
    bool exists = false;
    bool isReplay = false;
    bool started = false;   // its clock runs from startTick
    bool finished = false;  // results decided, clock frozen at frozenSeconds
    ULONGLONG startTick = 0;
    double frozenSeconds = 0;
};

struct GameView {
    Screen screen = Screen::Menus;
    GameRecord record;
};

// Moves to the screen as its button does; `now` is GetTickCount64's.
void ShowScreen(GameView* view, Screen next, ULONGLONG now);

// Whether the in-game flag byte is set on this screen.
bool IsFlagSetOn(Screen screen);

const wchar_t* ScreenLabel(Screen screen);

// The bodies of GET /ui and GET /game.
std::string UiBody(Screen screen);
std::string GameBody(const GameRecord& record, ULONGLONG now);

// A valid-looking body of exactly `bytes` bytes for the path: a list of
// screens for /ui, of players for /game.
std::string OversizedBody(const std::string& path, size_t bytes);

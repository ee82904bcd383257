// The simulated game's screens and the last game it played, and what its
// client API answers for them. Plain values and functions: the window owns
// one GameView and hands copies to the API's threads.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

enum class Screen { Menus, Loading, InGame, Score, Replay };

// One player as /game names them; `resultAtEnd` is what the game decides
// when it ends ("Victory", "Defeat", "Tie"), "Undecided" until then.
struct SimPlayer {
    std::string name;  // UTF-8, as the game sends it (a clan tag in its markup included)
    std::string type;  // "user" or "computer"
    std::string race;  // "Terr", "Zerg", "Prot" or "random"
    std::string resultAtEnd;
};

// The game /game tells of: the one running or last played. While the next
// one loads it still tells of the last, as the real game may.
struct GameRecord {
    bool exists = false;
    bool isReplay = false;
    bool started = false;   // its clock runs from startTick
    bool finished = false;  // results decided, clock frozen at frozenSeconds
    bool lost = false;      // ended by "End game (loss)": the results of the line-up turned round
    ULONGLONG startTick = 0;
    double frozenSeconds = 0;
    std::vector<SimPlayer> players;
};

struct GameView {
    Screen screen = Screen::Menus;
    GameRecord record;
    // Who plays the next game or replay started by "Start game" or "Start
    // replay"; "Observe game" starts one of others instead.
    std::vector<SimPlayer> lineup;
};

// The line-up of a game the user plays against the computer and wins.
std::vector<SimPlayer> DefaultLineup();
// A game of two other players, for "Observe game".
std::vector<SimPlayer> ObservedLineup();

// Reads a line-up from text: one player a line, fields separated by tabs,
// "name\ttype\trace\tresultAtEnd". False for a line without four fields or
// with a field the game never sends.
bool ParseLineup(const std::string& text, std::vector<SimPlayer>* lineup);

// Moves to the screen as its button does; `now` is GetTickCount64's.
// `players` is who plays when a new game or replay starts.
void ShowScreen(GameView* view, Screen next, ULONGLONG now);
void ShowScreenWith(GameView* view, Screen next, ULONGLONG now, const std::vector<SimPlayer>& players);
// "End game (loss)": the score screen with the user's side losing.
void ShowLostScore(GameView* view, ULONGLONG now);
// The map on once more for the game last played, its clock and results as
// they were: an API that tells of one game's end twice.
void ShowMapAgain(GameView* view);
// The last game's victories become defeats and its defeats victories.
void TurnResults(GameView* view);

// Whether the in-game flag byte is set on this screen.
bool IsFlagSetOn(Screen screen);

const wchar_t* ScreenLabel(Screen screen);

// The bodies of GET /ui and GET /game.
std::string UiBody(Screen screen);
std::string GameBody(const GameRecord& record, ULONGLONG now);

// A valid-looking body of exactly `bytes` bytes for the path: a list of
// screens for /ui, of players for /game.
std::string OversizedBody(const std::string& path, size_t bytes);

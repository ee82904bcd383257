// What the game's client API says on GET /ui and GET /game, read from the
// bytes of the answers' bodies. The bytes come from a socket, perhaps from
// another computer, and are not trusted: anything but one JSON object of
// the expected shape is no answer at all.
// Plain C++ without <windows.h>, so it is tested and fuzzed natively too.
#pragma once
#include <cstddef>

// The most body the probe reads: a real answer is a few hundred bytes.
constexpr size_t kClientApiAnswerLimitBytes = 16384;

enum class ClientApiScreens {
    Unreadable,  // not JSON, no "activeScreens" array, or too long
    MapOn,       // an empty array: a game (or a replay) is on the map
    Loading,     // "ScreenLoading/ScreenLoading" is among the screens
    Score,       // "ScreenScore/ScreenScore" is among them (and not the loading screen)
    Menus,       // any other screens
};

// `size` bytes from `body`, which need not be terminated.
ClientApiScreens ReadClientApiScreens(const char* body, size_t size);

// No game of StarCraft II has more players than this; an answer that lists
// more is not the game's.
constexpr size_t kClientApiMostPlayers = 16;
// A player's name in UTF-8, clan tag and markup included, and the
// terminator. The game allows 12 characters and a clan tag of 6.
constexpr size_t kClientApiNameBytes = 128;

enum class PlayerType { Other, User, Computer };
enum class PlayerRace { Other, Terran, Zerg, Protoss, Random };
enum class PlayerResult { Other, Undecided, Victory, Defeat, Tie };

struct ClientApiPlayer {
    // UTF-8 as the game sent it, terminated; empty when the answer gave no
    // text or one too long to keep, which then matches no one's name.
    char name[kClientApiNameBytes];
    PlayerType type;
    PlayerRace race;
    PlayerResult result;
};

struct ClientApiGame {
    bool isReplay;
    double displayTime;  // seconds of game time; -1 when the answer gave none
    size_t playerCount;
    ClientApiPlayer players[kClientApiMostPlayers];
};

// False, with `game` left unspecified, unless the body is one JSON object
// with a boolean "isReplay" and a "players" array of at most
// kClientApiMostPlayers objects. A player's member that is missing or of
// another kind reads as Other (or as an empty name).
bool ReadClientApiGame(const char* body, size_t size, ClientApiGame* game);

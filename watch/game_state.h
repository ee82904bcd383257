// Whether a game is in progress, read from one flag byte in the game's memory.
#pragma once
#include <windows.h>
#include <cstdint>

enum class GameState : int32_t {
    ProbeFailed = -1,  // no address known, or the game's memory cannot be read
    None = 0,          // the watch loop's previous state before its first sample
    NotInGame = 1,
    InGame = 2,
};

// How many bytes from the flag on must be readable for a reading to count:
// a partly readable window means the address does not fit this game.
constexpr SIZE_T kProbeBytes = 256;

// One reading at StateAddress in the given process; opens and closes the process each time.
GameState ProbeGameState(DWORD processId);

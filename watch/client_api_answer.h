// What the game's client API says on GET /ui, read from the bytes of the
// answer's body. The bytes come from a socket and are not trusted: anything
// but a JSON object with an "activeScreens" array is no answer at all.
// Plain C++ without <windows.h>, so it is tested and fuzzed natively too.
#pragma once
#include <cstddef>

// The most body the probe reads: a real answer is a few hundred bytes.
constexpr size_t kClientApiAnswerLimitBytes = 16384;

enum class ClientApiScreens {
    Unreadable,  // not JSON, no "activeScreens" array, or too long
    None,        // an empty array: a game (or a replay) is in progress
    Some,        // menus, the loading screen, the score screen
};

// `size` bytes from `body`, which need not be terminated.
ClientApiScreens ReadClientApiScreens(const char* body, size_t size);

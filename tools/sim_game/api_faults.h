// The faults the simulated client API can be told to show, one record that
// both the command line and the window message change, so a fault means the
// same thing whether it was there from the start or switched on later.
#pragma once
#include <windows.h>

#include <string>

#include "sim_game/sim_game_control.h"

// What an answer looks like; one at a time, the last one switched on wins.
enum class AnswerFault { None, Status, Garbage, Oversized, Reset, HalfThenHang, Redirect, ControlBytes, Chunked };

struct ApiFaults {
    bool closed = false;
    DWORD slowMs = 0;
    AnswerFault answer = AnswerFault::None;
    int status = 0;  // with AnswerFault::Status
    int redirectPort = 0;  // with AnswerFault::Redirect
    // Of /game alone, beside the faults above.
    DWORD gameSlowMs = 0;
    int gameBroken = 0;  // 1: status 500, 2: not JSON
};

// Applies one switch of kSimSetApiFaultMessage's kinds. Switching an answer
// fault off clears it only when it is the one in force. False, and nothing
// changed, for an unknown kind or a number out of range.
bool SwitchApiFault(ApiFaults* faults, WPARAM kind, LPARAM value);

// The faults in force, for the status line: "" when there are none.
std::wstring DescribeApiFaults(const ApiFaults& faults);

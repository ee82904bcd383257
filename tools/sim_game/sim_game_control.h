// How other programs drive the simulated game: its buttons' command ids, the
// window message that switches the client API's faults, and the names the
// API answers with. The simulator and the drive library both include this, so
// the protocol is written down once.
#pragma once
#include <windows.h>

#include <cstddef>

// Buttons, pressed from outside by posting or sending WM_COMMAND with the id
// in the low word (a BM_CLICK would press the mouse under Wine and bring the
// game to the front). 100-102 keep the ids they had before the game had
// screens; 103 and 107 are the two status lines.
constexpr int kSimStartGameCommand = 100;        // "Start game": in game
constexpr int kSimEndGameCommand = 101;          // "End game": the score screen
constexpr int kSimMakeFlagUnreadableCommand = 102;
constexpr int kSimShowMenusCommand = 104;        // "Menus"
constexpr int kSimShowLoadingCommand = 105;      // "Loading"
constexpr int kSimStartReplayCommand = 106;      // "Start replay"
constexpr int kSimObserveGameCommand = 108;      // "Observe game": a game of two other players
constexpr int kSimEndGameLostCommand = 109;      // "End game (loss)": the score screen, the user's side lost
// Not buttons, for the tests of an API that tells of a game's end twice:
constexpr int kSimShowMapAgainCommand = 110;     // the map on again for the same game, which keeps its results
constexpr int kSimTurnResultsCommand = 111;      // the last game's victories and defeats turned round

// WM_COPYDATA with this dwData sets who plays the next game or replay
// started by its button: UTF-8 text, one player a line, the fields
// separated by tabs: name, type ("user", "computer"), race ("Terr", "Zerg",
// "Prot", "random") and the result the game decides at its end ("Victory",
// "Defeat", "Tie", "Undecided"). The message returns 1 when the text was
// taken, 0 when it was refused.
constexpr ULONG_PTR kSimLineupCopyData = 0x4C4E5550;  // "LNUP"

// Switches one fault of the client API while the game runs: wParam is the
// kind, lParam its number. The message returns 1 once the fault is in force
// (for kSimApiClosed, once the listener is closed or reopened), 0 for an
// unknown kind or a number out of range.
constexpr UINT kSimSetApiFaultMessage = WM_APP + 10;

enum SimApiFaultKind : WPARAM {
    kSimApiNoFaults = 0,       // lParam ignored: every fault off, the API listening
    kSimApiClosed = 1,         // 1: nothing listens and open connections are reset; 0: listen again
    kSimApiSlow = 2,           // every answer waits lParam ms after its request (0: off)
    kSimApiStatus = 3,         // answers status lParam (100-999) with a small body (0: off)
    kSimApiGarbage = 4,        // 1: status 200 with a body that is not JSON; 0: off
    kSimApiOversized = 5,      // 1: status 200 with a body of kSimApiOversizedBodyBytes; 0: off
    kSimApiReset = 6,          // 1: the head and part of the body, then a reset; 0: off
    kSimApiHalfThenHang = 7,   // 1: the head and half the body, then silence, the connection kept; 0: off
    kSimApiGameSlow = 8,       // every answer to /game alone waits lParam ms (0: off)
    kSimApiGameBroken = 9,     // /game alone answers 1: status 500, 2: a body that is not JSON; 0: off
    kSimApiRedirect = 10,      // every answer a 302 to the same path on 127.0.0.1, port lParam (0: off)
    kSimApiControlBytes = 11,  // 1: the right body with bytes 01 02 03 in front of it; 0: off
    kSimApiChunked = 12,       // 1: the right body, sent in chunks (Transfer-Encoding: chunked); 0: off
};

// The longest a slow answer may be told to wait.
constexpr LPARAM kSimApiSlowestMs = 600000;

constexpr unsigned short kSimDefaultApiPort = 6119;
constexpr size_t kSimApiOversizedBodyBytes = 10 * 1024 * 1024;

// Headers the real game does not send, added to every answer so that a test
// can tell whose answer it is and which connection carried it.
constexpr char kSimProcessHeader[] = "X-Sim-Process";        // the simulator's process id
constexpr char kSimConnectionHeader[] = "X-Sim-Connection";  // 1 for the first connection accepted, and so on
constexpr char kSimRequestHeader[] = "X-Sim-Request";        // 1 for a connection's first request, and so on

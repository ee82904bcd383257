// What the fault scenarios share. Each scenario runs a streamer's session
// (the real program, the simulated game and the simulated XSplit), does harm
// to one of them, then checks the two things a streamer cares about: the
// next event still switches the right scene, and closing the program saves
// the settings it started with.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "drive/program.h"
#include "drive/simulators.h"
#include "drive/udp_sender.h"

using Clicks = std::vector<std::wstring>;
using Bytes = std::vector<uint8_t>;

// The nine stored values, as a streamer's settings.
struct StreamerSettings {
    std::wstring enterScene, leaveScene, tabInScene, tabOutScene, host;
    DWORD role, networkMode, applyOnTab, applyWhenTabbed;
    // "Game State Source" 1 is stored beside the nine; without it, nothing.
    bool clientApi = false;
    // OBS Studio chosen, at this host and port, with no password.
    bool obs = false;
    std::wstring obsHost;
    DWORD obsPort = 0;
};

// Scene names that the simulated XSplit of a session has, a host and the
// game side. "Apply game status on alt+tab" is on: then a game window that
// comes to the front after the program found it shows the same scene as
// one that was in front already, so a restarted game gives one click
// whichever way the race goes.
StreamerSettings UsualSettings();

// Replaces whatever is stored with exactly these nine values.
void StoreSettings(const StreamerSettings& settings);

// The main window shows what was stored (fields and boxes).
void ExpectSettingsShown(const KestrelcueProgram& program, const StreamerSettings& settings);

// The registry holds the nine values (and "Game State Source" when the
// client API is chosen, OBS's three when OBS is) and nothing else, each of
// its type and size, strings with their terminator.
void ExpectSettingsSaved(const StreamerSettings& settings);

// Waits for the clicks, then a little longer so that a click too many shows.
void ExpectClicks(const SimulatedXSplit& xsplit, const Clicks& expected);

// The scenes that went on air, in order, repeats of one scene side by side
// counted once: a game window that comes to the front (or goes away) just
// as watching starts may count as a tab in or out, and with "Apply game
// status on alt+tab" that shows the same scene again. A scenario never
// expects the same scene twice in a row, so a missing switch cannot hide
// behind a dropped repeat.
Clicks WithoutRepeats(const Clicks& clicks);
void ExpectScenesOnAir(const SimulatedXSplit& xsplit, const Clicks& expected);

// How long a window of another process takes to answer a message, in ms;
// kNoAnswer when it did not answer within the time.
constexpr DWORD kNoAnswer = 0xFFFFFFFF;
DWORD AnswerTimeMs(HWND window, DWORD timeoutMs = 10000);

// How long the program took to handle a click on a control, in ms.
DWORD TimedClick(const KestrelcueProgram& program, int id);

// A session: settings stored, then the game, XSplit and the program started.
class StreamingSession : public testing::Test {
protected:
    // Stores `settings`, starts the game (flag not set), XSplit with these
    // scenes and options, and the program; checks that the program shows
    // the stored settings.
    void LaunchSession(const std::vector<std::wstring>& scenes = {L"Game", L"Menus", L"Back", L"Away"},
                       const std::vector<std::wstring>& xsplitOptions = {}, DWORD flagAddress = kSimFlagAddress);
    // The same with the client API chosen and the game serving it.
    void LaunchClientApiSession(const std::vector<std::wstring>& scenes = {L"Game", L"Menus", L"Back", L"Away"},
                                const SimApiOptions& api = SimApiOptions());
    // The XSplit side of a network pair: `settings` in network mode on that
    // side, XSplit with these scenes and options, the program receiving.
    void StartReceiver(const std::vector<std::wstring>& scenes, const std::vector<std::wstring>& xsplitOptions = {});
    // Brings the game to the front and presses Start; the first sample
    // applies the scene of the game's state.
    void StartWithGameInFront(const std::wstring& firstScene);
    // Closes the window as the close box does: the process ends with 0 and
    // the settings it started with are stored again, whole.
    void CloseAndExpectNothingLost();
    // OBS Studio chosen in `settings`, at the OBS tests' port on this
    // computer, with no password.
    void ChooseObsOnThisComputer();

    StreamerSettings settings = UsualSettings();
    SimulatedGame game;
    SimulatedXSplit xsplit;
    KestrelcueProgram program;
};

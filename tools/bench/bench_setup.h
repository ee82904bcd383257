// What every measurement sets up the same way: the scene names, this
// computer's network role, the random pauses, and the options of the run.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "drive/local_patch_server.h"
#include "drive/program.h"

struct BenchOptions {
    int events = 200;           // events per reaction measurement
    int stopRepeats = 10;       // Stops per worker state
    int searchRepeats = 20;     // XSplit searches per process count
    DWORD cpuSeconds = 60;      // watching time for the CPU figure
    DWORD searchCpuSeconds = 20;  // the same while XSplit is missing
    std::vector<int> processCounts = {0, 10, 100, 500};
    std::wstring releaseExe;    // the release build's Kestrelcue.exe, for its size
    DWORD serverPid = 0;        // Linux id of this prefix's wineserver, 0 when unknown
    std::vector<std::wstring> only;  // sections to run; all when empty
};

constexpr wchar_t kEnterScene[] = L"Game";
constexpr wchar_t kLeaveScene[] = L"Menus";
constexpr wchar_t kTabOutScene[] = L"Away";
constexpr wchar_t kTabInScene[] = L"Back";
// The scenes of a win and of a replay, set for the situations' figures.
constexpr wchar_t kWonScene[] = L"Won";
constexpr wchar_t kReplaySceneName[] = L"Replay";

// The scenes the simulated XSplit offers: the four that are typed in, and
// those of a win and of a replay.
std::vector<std::wstring> BenchScenes();
// The bench serves the sample patch table itself, from its start to its
// end: programs started and ended one after another would otherwise free and
// take the port again each time, and other test suites on this machine use
// it too. Tries for a few minutes; false when the port never came free.
bool StartBenchPatchServer(LocalPatchServer& server);
// Starts the program with the bench's patch server, and waits for its window.
bool LaunchProgram(KestrelcueProgram& program);

// Types the four scene names into the program's fields.
void TypeSceneNames(const KestrelcueProgram& program);

// The program reads these once, at its start: written before each program
// starts, they let two programs run here in different roles.
// Local mode reads the game's state from its memory, unless the client API
// is stored after it.
void StoreLocalMode();
void StoreNetworkRole(DWORD role, const wchar_t* host);
void StoreClientApiChosen();
// A victory and a replay scene set and the simulated user's name typed, so
// that entering a game and its score screen each ask /game; with `on` false
// they are emptied again (they live beside the nine until the next run).
void StoreSituationScenes(bool on);

void SeedRandom(unsigned seed);
// A whole number of milliseconds drawn evenly from [from, from + span).
DWORD RandomMs(DWORD from, DWORD span);

// Starts the XSplit side's worker and waits until it listens. Another
// program holding the relay port (other test suites on this machine) makes
// it show a message box: that is dismissed and the start tried again a few
// times. False when it never listened.
bool StartReceiver(KestrelcueProgram& xsplitSide);

// Prints one line of progress at once.
void Progress(const char* format, ...);

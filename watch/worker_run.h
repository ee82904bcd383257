// What one run of the watch worker holds: the settings it was started
// with, copied by the UI thread at Start, and what it finds and opens on
// its way (XSplit, the connection to OBS). From Start on it is the
// worker's alone, and the worker lets it go as it ends; a worker that
// Stop left to end on its own therefore holds nothing anyone else reads.
#pragma once
#include <windows.h>

#include "app/app_state.h"
#include "obs/obs.h"
#include "xsplit/xsplit.h"

struct RunSettings {
    bool networkMode;   // the main window's box at Start
    DWORD remoteRole;   // kRoleGameSide, kRoleXSplitSide or a stored value of neither
    wchar_t remoteHost[kRemoteHostChars];
    bool clientApi;     // the game's state from its client API, not its memory
    bool obs;           // OBS Studio is switched, not XSplit
    wchar_t obsHost[kObsHostChars];
    DWORD obsPort;
    wchar_t obsPassword[kObsPasswordTextChars];  // wiped with the run
    wchar_t gameApiHost[kGameApiHostChars];
    DWORD gameApiPort;
};

struct WorkerRun {
    unsigned statusRun;  // which run the status line takes this worker's texts from
    RunSettings settings;
    XSplitTarget xsplit;
    ObsConnection obs;
    unsigned obsConnectionsMade;  // each new connection is given the record
};

// Whether this run drives a broadcaster on this computer, and whether it
// sends the scenes to the other computer instead.
inline bool IsGameSideOfPair(const RunSettings& settings)
{
    return settings.networkMode && settings.remoteRole == kRoleGameSide;
}

// The program whose scenes are switched on this computer: XSplit, found by
// its window and clicked, or OBS Studio, reached over its remote-control
// connection. The watch loop and the relay receiver use these verbs and
// never ask which of the two it is.
#pragma once
#include <windows.h>

#include "watch/worker_run.h"

// Watch loop: looks for XSplit's window or connects to OBS until it is there
// (true) or Stop is requested (false), with the status texts of each.
bool LocateBroadcaster(WorkerRun* run);

// Whether XSplit's window, or the connection to OBS, has gone since.
bool IsBroadcasterLost(WorkerRun* run);

// Switches to the named scene; a scene the program does not have, or one it
// refuses, is reported in the status line. False when the program was lost
// before it could switch (the connection to OBS went): the scene is not on
// air, and nothing is reported, since the caller knows what it does next.
bool SwitchBroadcasterScene(WorkerRun* run, const wchar_t* name);

// Relay receiver: the status texts of its phases for the program chosen.
struct BroadcasterTexts {
    const wchar_t* finding;     // "Finding XSplit window..."
    const wchar_t* lost;        // "Lost XSplit, trying to find..."
    const wchar_t* foundAgain;  // "Found XSplit again!"
};
BroadcasterTexts ReceiverTexts(const WorkerRun& run);

// Relay receiver: waits for the program (XSplit with a hold on its process
// for IsBroadcasterGone) while `shown` is the status; false when Stop was
// requested first.
bool WaitForBroadcaster(WorkerRun* run, const wchar_t* shown);
// Relay receiver: whether the program has gone (XSplit's window or process).
bool IsBroadcasterGone(WorkerRun* run);

// At the worker's end: lets go of whatever is held (the OBS connection,
// the hold on XSplit's process).
void ReleaseBroadcaster(WorkerRun* run);

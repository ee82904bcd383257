// The scene relay between the game computer and the XSplit computer: one UDP
// datagram per scene request, sent to port 53871.
#pragma once
#include <windows.h>

constexpr unsigned short kRelayPort = 53871;

struct WorkerRun;

// Game side: sends the scene name to `host`, the other computer's name or
// address as typed in Setup. A socket that cannot be
// opened or a host that cannot be resolved is reported in a message box and
// the request dropped.
void SendSceneToRemote(const wchar_t* host, const wchar_t* name);

// XSplit side: receives scene names on port 53871 and clicks them until
// Stop; returns at once when the port cannot be had.
void RunRelayReceiver(WorkerRun* run);

// The relay's message boxes: caption "Error", no icon, owned by the main window.
void ShowRelayError(const wchar_t* text);

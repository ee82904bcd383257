// The scene relay between the game computer and the XSplit computer: one UDP
// datagram per scene request, sent to port 53871.
#pragma once
#include <windows.h>

constexpr unsigned short kRelayPort = 53871;

// Game side: sends the scene name to RemoteHost.
void SendSceneToRemote(const wchar_t* name);

// XSplit side: receives scene names and clicks them until Stop.
void RunRelayReceiver();

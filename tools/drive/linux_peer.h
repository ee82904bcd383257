// A Linux program that a Windows test under Wine runs as its peer (OBS
// Studio, Chromium), through a script beside the executables. Wine starts a
// Linux program for CreateProcess but hands back no process handle, no exit
// code and nothing to wait for, so the script runs as a controller: the
// test listens on a loopback port of the system's choosing, the script
// ("SCRIPT serve LINUX-FOLDER PORT") connects to it, and when the test ends,
// however it ends, the connection closes and the script ends its program.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

// The Linux path of a Windows path under Wine; empty when there is none.
std::string UnixPath(const std::wstring& windowsPath);

// Starts the script beside the test executable as the controller of the
// folder (a Windows path) and accepts its connection, within connectMs;
// INVALID_SOCKET with the reason in *error otherwise.
SOCKET ConnectLinuxPeer(const std::wstring& scriptName, const std::wstring& folder, DWORD connectMs,
                        std::string* error);

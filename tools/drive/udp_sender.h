// Datagrams to the relay port, sent as the game side (or anyone) would.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The relay's UDP port, where the XSplit side of a pair receives.
constexpr unsigned short kSceneRelayPort = 53871;

// A scene request as the game side sends it, written out byte by byte
// rather than with the program's own encoder: the type, little-endian, then
// the name in UTF-16LE and a zero unit. Another type makes it malformed.
std::vector<uint8_t> SceneDatagram(const std::wstring& name, uint32_t type = 1);

// Sends one datagram to 127.0.0.1:port; false when it could not be sent.
bool SendDatagram(unsigned short port, const std::vector<uint8_t>& bytes);

// Sends every datagram, in order and without pause, from one socket to
// 127.0.0.1:port, as one sender at full speed; returns how many went out.
size_t SendDatagramsAtFullSpeed(unsigned short port, const std::vector<std::vector<uint8_t>>& datagrams);

// Whether a receiver could bind the port on any local address now: binds
// it, and lets it go at once.
bool IsUdpPortFree(unsigned short port);

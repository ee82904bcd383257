// Datagrams to the relay port, sent as the game side (or anyone) would.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Sends one datagram to 127.0.0.1:port; false when it could not be sent.
bool SendDatagram(unsigned short port, const std::vector<uint8_t>& bytes);

// Sends every datagram, in order and without pause, from one socket to
// 127.0.0.1:port, as one sender at full speed; returns how many went out.
size_t SendDatagramsAtFullSpeed(unsigned short port, const std::vector<std::vector<uint8_t>>& datagrams);

// Datagrams to the relay port, sent as the game side (or anyone) would.
#pragma once
#include <cstdint>
#include <vector>

// Sends one datagram to 127.0.0.1:port; false when it could not be sent.
bool SendDatagram(unsigned short port, const std::vector<uint8_t>& bytes);

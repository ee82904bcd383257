// The scene relay datagram: a 32-bit little-endian type (1 = switch to the
// named scene), then the name in UTF-16LE and a zero unit. Written without
// Windows headers so that it is checked natively as well.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kSwitchSceneType = 1;
constexpr size_t kDatagramHeaderBytes = 4;

// The sender builds each datagram in a record of 256 bytes: the type and a
// name field of 126 units, so at most 125 units of a name travel.
constexpr size_t kSenderRecordBytes = 256;
constexpr size_t kSenderNameUnits = 125;

// The receiver takes datagrams of up to 1024 bytes; a name in one can be
// 510 units long, and the buffer for it keeps one more for the terminator.
constexpr size_t kReceiveBufferBytes = 1024;
constexpr size_t kReceivedNameUnits = (kReceiveBufferBytes - kDatagramHeaderBytes) / 2;

// Fills `record` from a terminated name, cut after 125 units; returns how
// many bytes of it are to be sent (2 x units + 6).
size_t EncodeSceneDatagram(const uint16_t* name, uint8_t (&record)[kSenderRecordBytes]);

// True when `data` is a switch request (more than 4 bytes, type 1); the name
// runs to the first zero unit or to the datagram's end, and is terminated.
bool DecodeSceneDatagram(const uint8_t* data, size_t size, uint16_t (&name)[kReceivedNameUnits + 1]);

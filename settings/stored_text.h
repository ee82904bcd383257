// A text value as the registry hands it back: bytes of whatever type the
// value was stored with, of any length up to the read limit, terminated or
// not. Written without Windows headers so that it is checked natively too.
#pragma once
#include <cstddef>
#include <cstdint>

// Up to 255 UTF-16 units and the terminator.
constexpr size_t kStoredTextChars = 256;
// What one registry read may return: the whole text buffer, in bytes.
constexpr size_t kStoredTextLimitBytes = kStoredTextChars * sizeof(char16_t);

// Fills `text` from the `size` bytes a read returned (UTF-16LE; a last odd
// byte becomes a unit of its own) and always leaves it terminated: bytes
// beyond the limit are not looked at, and a value with no zero unit in its
// first 512 bytes keeps its first 255 units. A failed read passes size 0.
void TakeStoredText(const uint8_t* bytes, size_t size, char16_t (&text)[kStoredTextChars]);

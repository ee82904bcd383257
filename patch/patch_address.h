// The address of the game's in-game flag byte as the patch document writes it.
// Plain C++ on purpose: the document reader is tested and fuzzed on any
// platform, without <windows.h>.
#pragma once
#include <cstdint>

// Reads a Ptr1 value as strtoul reads base 16 where unsigned long has 32
// bits: leading white space, an optional sign (minus negates modulo 2^32),
// an optional "0x" or "0X", then hexadecimal digits up to the first other
// character. No digits give 0; a value beyond 32 bits gives 0xFFFFFFFF.
uint32_t ParsePatchAddress(const char* text);

// Looking through another process's memory for bytes that must not be
// there, as a test that a secret was wiped has to: every committed page
// that the process can write (pages it cannot write hold nothing it made
// at run time), read with ReadProcessMemory.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// How often each of `needles` occurs in the process's writable memory, in
// one pass; empty when the process cannot be read at all.
std::vector<size_t> CountInProcessMemory(DWORD processId, const std::vector<std::string>& needles);

// The bytes of a UTF-16 text as the process holds it.
std::string Utf16Bytes(const std::wstring& text);

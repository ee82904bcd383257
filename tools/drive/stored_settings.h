// The program's registry values, read and written from outside as a user
// with the registry editor would: to seed a run with odd values and to check
// byte for byte what the program saved. The program's process and the tests
// share the current user's registry.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// False when the value, or the whole key, is absent.
bool ReadStoredValue(const wchar_t* name, StoredValue* value);
// Names of every value under the key, in no particular order.
std::vector<std::wstring> StoredValueNames();

// Exactly these bytes with this type; the key is created when missing.
bool WriteStoredValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes);
bool WriteStoredString(const wchar_t* name, const std::wstring& text);
bool WriteStoredDword(const wchar_t* name, DWORD number);

// The bytes of a text with its terminator, as the program writes a REG_SZ.
std::vector<BYTE> TerminatedTextBytes(const std::wstring& text);
// The bytes of a text alone, no terminator.
std::vector<BYTE> TextBytes(const std::wstring& text);
std::vector<BYTE> DwordBytes(DWORD number);
// A text of `length` characters cycling through the alphabet, so a cut
// shows where it was made.
std::wstring AlphabetText(size_t length, wchar_t first = L'a');

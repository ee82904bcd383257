// The OBS settings as a streamer leaves them in the registry through the
// Options dialog, written and read from outside: the password protected
// with CryptProtectData for the current user, as the program stores it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// "Scene Program" 1, "OBS Host", "OBS Port" and, unless the password is
// empty, "OBS Password". Other values are left as they are.
bool StoreObsChosen(const std::wstring& host, DWORD port, const std::wstring& password);

// The bytes CryptProtectData gives for the password's UTF-16LE units.
std::vector<BYTE> ProtectedBytes(const std::wstring& password);
// The text those bytes protect; false when they protect nothing readable.
bool UnprotectedText(const std::vector<BYTE>& bytes, std::wstring* text);

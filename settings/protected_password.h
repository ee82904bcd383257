// The OBS password as the registry keeps it: never as text, but as the
// bytes CryptProtectData gives for its UTF-16LE code units (no terminator,
// no extra entropy), which only the same user on the same computer can turn
// back into the password.
#pragma once
#include <windows.h>

#include <vector>

// A password of up to 255 units and the terminator.
constexpr int kObsPasswordChars = 256;
// The most a stored value may hold: the protected form of the longest
// password is well under a kilobyte.
constexpr DWORD kProtectedPasswordLimitBytes = 4096;

// The bytes to store; empty for an empty password. False when the platform
// refuses to protect it.
bool ProtectPassword(const wchar_t* password, std::vector<BYTE>* stored);

// The password from the stored bytes; empty when there are none or they
// cannot be turned back (another user's, or damaged). Always terminated.
void UnprotectPassword(const BYTE* stored, DWORD size, wchar_t (&password)[kObsPasswordChars]);

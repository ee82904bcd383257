// The Options dialog's "Test connection": one connection to OBS on a thread
// of its own, so the dialog stays usable while OBS is slow to answer, and
// its outcome in words a streamer understands. The dialog and the thread
// share one record and whichever lets go last frees it, so a dialog that
// ends first neither waits for the test nor leaves anything behind.
#pragma once
#include <windows.h>

// Posted to the dialog when a test is over, wParam the test's number and
// lParam nothing. Any program on the desktop can post this message, so it
// only says "look": the outcome is taken from the test the dialog started,
// and only once that test says it is over.
constexpr UINT kObsTestDoneMessage = WM_APP + 1;
// What the outcome may say: OBS's version and its scene names, or why not.
constexpr int kObsTestResultChars = 512;

struct ObsConnectionTest;

// Starts a test with the dialog's values (the password is copied, and the
// copy wiped once used); null when the thread cannot be started.
ObsConnectionTest* StartObsConnectionTest(HWND dialog, const wchar_t* host, DWORD port, const wchar_t* password);

// The number that the test's done message carries.
WPARAM ObsConnectionTestNumber(const ObsConnectionTest* test);

// True, with the outcome, once the test is over; false while it runs.
bool TakeObsConnectionTestResult(const ObsConnectionTest* test, wchar_t (&result)[kObsTestResultChars]);

// The dialog lets go of its test. One still running is cut short (its
// waits end at once) and is freed when its thread ends.
void ReleaseObsConnectionTest(ObsConnectionTest* test);

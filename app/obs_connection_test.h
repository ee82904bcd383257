// The Options dialog's "Test connection": one connection to OBS on a thread
// of its own, so the dialog stays usable while OBS is slow to answer, and
// its outcome in words a streamer understands.
#pragma once
#include <windows.h>

#include "app/app_state.h"

// The message the dialog receives when the test is over: lParam is the
// ObsConnectionTest, which the dialog takes over (FinishObsConnectionTest).
constexpr UINT kObsTestDoneMessage = WM_APP + 1;
// What the outcome may say: OBS's version and its scene names, or why not.
constexpr int kObsTestResultChars = 512;

struct ObsConnectionTest {
    HWND dialog;
    wchar_t host[kObsHostChars];
    DWORD port;
    wchar_t password[kObsPasswordTextChars];
    wchar_t result[kObsTestResultChars];
};

// Starts the test with the dialog's values (the password is copied and
// wiped after use); false when the thread cannot be started.
bool StartObsConnectionTest(HWND dialog, const wchar_t* host, DWORD port, const wchar_t* password);

// Frees what the done message brought, after the dialog has shown its text.
void FinishObsConnectionTest(ObsConnectionTest* test);

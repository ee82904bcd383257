// The program's "Options" dialog, driven from outside: opened through the
// main window's system menu command and read and changed by messages to its
// controls.
#pragma once
#include <windows.h>

#include <string>

#include "drive/program.h"

constexpr wchar_t kOptionsCaption[] = L"Options";
// The system menu command of "Options..." and the dialog's controls.
constexpr WPARAM kOptionsCommand = 0x0010;
constexpr int kOptionsPatchTable = 1016;
constexpr int kOptionsClientApi = 1017;
constexpr int kOptionsXSplit = 1018;
constexpr int kOptionsObs = 1019;
constexpr int kOptionsObsHost = 1020;
constexpr int kOptionsObsPort = 1021;
constexpr int kOptionsObsPassword = 1022;
constexpr int kOptionsTestObs = 1023;
constexpr int kOptionsTestResult = 1024;
constexpr int kOptionsStartWithWindows = 1100;
constexpr int kOptionsMinimizeToTray = 1101;
constexpr int kOptionsPauseKey = 1102;
constexpr int kOptionsPauseKeyResult = 1103;
constexpr int kOptionsPauseKeyNone = 1104;

// Posts the system menu command and waits for the dialog; null when it did
// not show within the time (as while the worker runs).
HWND OpenOptions(KestrelcueProgram& program, DWORD timeoutMs = 15000);

// The game state source the dialog shows checked: kOptionsPatchTable,
// kOptionsClientApi, 0 for neither or -1 for both.
int CheckedSource(HWND dialog);

// Checks one of the two choices as a click on it would.
void ChooseSource(HWND dialog, int choice);

// Presses OK or Cancel as a click does; the dialog is gone a moment later.
void PressOptionsButton(HWND dialog, int id);

// Chooses XSplit or OBS Studio as a click on its radio button does: the
// button checked, the other not, and the dialog told; returns once the
// dialog has handled it.
void ChooseProgram(HWND dialog, int choice);

// Chooses OBS with these connection settings, as typed.
void ChooseObs(HWND dialog, const std::wstring& host, DWORD port, const std::wstring& password);

// Clicks Test connection (posted, as a click on the button would come).
void ClickTestConnection(HWND dialog);

// Clicks Test connection and returns what the dialog says once the test
// is over: the button is greyed while it runs, and back when it is over.
std::wstring TestObsConnection(HWND dialog, DWORD timeoutMs = 20000);

// Checks or clears one of the dialog's check boxes as a click does.
void SetOptionsBox(HWND dialog, int id, bool checked);
bool IsOptionsBoxChecked(HWND dialog, int id);

// The pause key in the dialog's hot key control, in its own form: the key
// in the low byte, HOTKEYF_* above; 0 for none.
void ChoosePauseKey(HWND dialog, WORD hotkey);
WORD ShownPauseKey(HWND dialog);

// The program's "Options" dialog, driven from outside: opened through the
// main window's system menu command and read and changed by messages to its
// controls.
#pragma once
#include <windows.h>

#include "drive/program.h"

constexpr wchar_t kOptionsCaption[] = L"Options";
// The system menu command of "Options..." and the dialog's controls.
constexpr WPARAM kOptionsCommand = 0x0010;
constexpr int kOptionsPatchTable = 1016;
constexpr int kOptionsClientApi = 1017;

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

// The program's "Network Setup" dialog, driven from outside: opened by a
// posted click on "Setup..." and read and changed by messages to its controls.
#pragma once
#include <windows.h>
#include <string>

#include "drive/program.h"

constexpr wchar_t kNetworkSetupCaption[] = L"Network Setup";

// Posts the click on "Setup..." and waits for the dialog: it is modal, so a
// sent click would not return until the dialog had closed. Null when it
// never showed.
HWND OpenNetworkSetup(KestrelcueProgram& program, DWORD timeoutMs = 15000);

// The dialog's window is destroyed once the program has applied its values.
bool WaitForDialogGone(HWND dialog, DWORD timeoutMs = 15000);

// The radio button checked in the dialog: 1001, 1002, or 0 for neither.
int CheckedRoleButton(HWND dialog);

// The text of any window, read across processes.
std::wstring WindowText(HWND window);
void SetWindowTextAcross(HWND window, const std::wstring& text);

// Clicks the dialog's OK button. The program has applied the dialog's values
// when this returns; its window goes a moment later.
void ClickSetupOk(HWND dialog);

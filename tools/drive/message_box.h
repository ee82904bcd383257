// Message boxes that the program shows, found and answered from outside.
#pragma once
#include <windows.h>
#include <string>

// The visible dialog captioned `caption` that belongs to the process; null when none.
HWND FindMessageBox(DWORD processId, const wchar_t* caption = L"Error");
// The message text of a box (its static control with the id 0xFFFF).
std::wstring MessageBoxText(HWND box);
// Presses the box's OK button.
void DismissMessageBox(HWND box);

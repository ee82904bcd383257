// The user's settings, kept under HKEY_CURRENT_USER: read once when the main
// window is created and written once when it is destroyed.
#pragma once
#include <windows.h>

void LoadSettings(HWND mainDialog);
void SaveSettings();

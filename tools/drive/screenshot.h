// Pictures of windows as they are on the screen, for the demo and the README.
#pragma once
#include <windows.h>
#include <string>

// Saves what the screen shows of `window` (frame included) as a 24-bit BMP.
bool SaveWindowPicture(HWND window, const std::wstring& bmpPath);

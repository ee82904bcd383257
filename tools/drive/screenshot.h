// Pictures of windows as they are on the screen, for the demo and the README.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Saves what the screen shows of `window` (frame included) as a 24-bit BMP.
bool SaveWindowPicture(HWND window, const std::wstring& bmpPath);
// Saves what the screen shows of `window` and of the windows beside it
// (each frame included), as one 24-bit BMP of the rectangle around them
// all: a drop-down list or a balloon is a window of its own.
bool SaveWindowsPicture(const std::vector<HWND>& windows, const std::wstring& bmpPath);

// A message box of another process, read and answered as a user would.
#pragma once
#include <windows.h>
#include <string>

#include "drive/child_process.h"

// The visible message box of the process captioned "Error"; null when none.
HWND FindErrorBox(const ChildProcess& process);

// The box's message text.
std::wstring MessageBoxText(HWND box);

// The system icon the box shows, told apart by its pixels on the screen,
// since icon handles mean nothing in another process. A box that has not
// been painted yet shows None: poll.
enum class BoxIcon { None, Error, Question, Warning, Information, Unclear };
BoxIcon ShownBoxIcon(HWND box);
const char* BoxIconName(BoxIcon icon);

// Clicks the box's OK button; false when it has none.
bool ClickOk(HWND box);

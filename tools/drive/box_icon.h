// Which system icon a message box of another process shows. Icon handles
// mean nothing across processes, so the icon is told apart by its pixels on
// the screen, compared with each system icon drawn here.
#pragma once
#include <windows.h>

enum class BoxIcon { None, Error, Question, Warning, Information, Unclear };

// None also for a box that has not been painted yet: poll.
BoxIcon ShownBoxIcon(HWND box);
const char* BoxIconName(BoxIcon icon);

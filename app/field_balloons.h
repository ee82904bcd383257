// A balloon pointing at a scene field: its mark (a name the broadcaster
// lacks) or why its list is empty. Wine's edit draws no EM_SHOWBALLOONTIP
// balloon, so each is a balloon tooltip of our own: a popup window owned
// by the field's window, never a control of its template.
#pragma once
#include <windows.h>

// UI thread: shows the balloon of the field (replacing what it showed),
// at once if its window is active, else when it is next activated. A
// `title` may be empty; `icon` is TTI_NONE, TTI_INFO or TTI_WARNING.
void ShowFieldBalloon(HWND field, const wchar_t* title, const wchar_t* text, int icon);
void HideFieldBalloon(HWND field);
// UI thread, as the field's window is activated or not, or moves: the
// balloons wanted stand at their fields only while it is active.
void PlaceFieldBalloons(HWND window, bool active);
// UI thread, before the window goes.
void DestroyFieldBalloons(HWND window);

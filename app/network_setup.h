// The "Network Setup" dialog: which side of a network pair this computer is
// and the other computer's address.
#pragma once
#include <windows.h>

// Modal; applies its values however it is closed.
void ShowNetworkSetup(HWND owner);

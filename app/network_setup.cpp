#include "app/network_setup.h"

// The dialog itself arrives with the settings work.
void ShowNetworkSetup(HWND)
{
}

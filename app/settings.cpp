#include "app/settings.h"
#include "app/app_state.h"

// The registry store arrives with the settings work; until then every run
// starts from the defaults.
void LoadSettings(HWND)
{
    g_app.RemoteRole = kRoleGameSide;
    g_app.RemoteEnabled = 0;
}

void SaveSettings()
{
}

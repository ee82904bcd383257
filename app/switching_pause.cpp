#include "app/switching_pause.h"
#include "app/app_state.h"

bool IsSwitchingPaused()
{
    return g_app.SwitchingPaused.load();
}

void SetSwitchingPaused(bool paused)
{
    g_app.SwitchingPaused.store(paused);
}

void ToggleSwitchingPaused()
{
    SetSwitchingPaused(!IsSwitchingPaused());
}

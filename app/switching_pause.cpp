#include "app/switching_pause.h"
#include "app/app_state.h"
#include "app/status_line.h"

namespace {

constexpr wchar_t kPausedText[] =
    L"Paused: no scene is switched. Choose Resume switching in the tray icon's menu to resume.";

} // namespace

bool IsSwitchingPaused()
{
    return g_app.SwitchingPaused.load();
}

void SetSwitchingPaused(bool paused)
{
    if (paused == IsSwitchingPaused())
        return;
    g_app.SwitchingPaused.store(paused);
    if (paused) {
        ShowPauseInStatusLine(kPausedText);
        return;
    }
    ShowPauseInStatusLine(nullptr);
    ++g_app.Resumes;
    if (g_app.ResumeEvent != nullptr)
        SetEvent(g_app.ResumeEvent);
}

void ToggleSwitchingPaused()
{
    SetSwitchingPaused(!IsSwitchingPaused());
}

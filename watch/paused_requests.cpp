#include "watch/paused_requests.h"

#include "app/app_state.h"
#include "desktop/switching_pause.h"

namespace {

// Worker only: one worker runs at a time, and one left to end by Stop
// requests nothing, so it reads nothing here either.
wchar_t g_wanted[kSceneNameChars];
unsigned g_resumesSeen;

} // namespace

void ForgetWantedScene()
{
    g_wanted[0] = L'\0';
    g_resumesSeen = g_app.Resumes.load();
}

bool IsSceneRequestHeld(const wchar_t* name)
{
    if (WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0)
        return true;
    // cppcheck-suppress lstrcpynWCalled ; both texts are valid and the copy is cut and terminated within the bound
    lstrcpynW(g_wanted, name, kSceneNameChars);
    return IsSwitchingPaused();
}

bool TakeSceneWantedOnResume(wchar_t (&name)[kSceneNameChars])
{
    const unsigned resumes = g_app.Resumes.load();
    if (resumes == g_resumesSeen)
        return false;
    g_resumesSeen = resumes;
    if (g_wanted[0] == L'\0' || IsSwitchingPaused())
        return false;
    // cppcheck-suppress lstrcpynWCalled ; both texts are valid and the copy is cut and terminated within the bound
    lstrcpynW(name, g_wanted, kSceneNameChars);
    return true;
}

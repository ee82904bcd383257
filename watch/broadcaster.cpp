#include "watch/broadcaster.h"

#include "app/app_state.h"
#include "status/status_line.h"
#include "obs/obs.h"
#include "xsplit/xsplit.h"

namespace {

constexpr DWORD kSearchPauseMs = 100;
// Between two tries to connect to OBS: OBS is not running, or not yet; and
// after a failure that waiting does not mend.
constexpr DWORD kObsRetryMs = 1000;
constexpr DWORD kObsMendInOptionsRetryMs = 5000;

bool PauseUnlessStopped(DWORD ms)
{
    return WaitForSingleObject(g_app.StopEvent, ms) == WAIT_OBJECT_0;
}

// False when Stop was requested before XSplit was found.
bool LocateXSplit()
{
    SetStatusLine(L"Finding XSplit window...");
    for (;;) {
        g_app.XSplitWindow = FindXSplitWindow();
        if (PauseUnlessStopped(kSearchPauseMs))
            return false;
        if (g_app.XSplitWindow != nullptr)
            break;
    }
    g_app.XSplitProcessId = 0;
    GetWindowThreadProcessId(g_app.XSplitWindow, &g_app.XSplitProcessId);
    return true;
}

// What the status line says after a failed try, and how long until the
// next. A refused password is tried again only now and then, so OBS's log
// does not fill with failed logins while the streamer looks for the right
// one; what the streamer must mend in Options, likewise.
struct FailedConnectReport {
    ObsConnectResult result;
    const wchar_t* status;  // null: the text of the try is put back
    DWORD pauseMs;
};

const FailedConnectReport kFailedConnectReports[] = {
    {ObsConnectResult::PasswordRefused, L"Error: OBS refused the password. Check it in Options.", kObsMendInOptionsRetryMs},
    {ObsConnectResult::PasswordNeeded, L"Error: OBS asks for a password. Enter it in Options.", kObsMendInOptionsRetryMs},
    {ObsConnectResult::VersionUnsupported, L"Error: OBS does not speak Kestrelcue's version of obs-websocket.",
     kObsMendInOptionsRetryMs},
    {ObsConnectResult::NoHost, L"Error: No OBS host is set. Enter it in Options.", kObsMendInOptionsRetryMs},
};

DWORD ReportFailedConnect(ObsConnectResult result, const wchar_t* trying)
{
    for (const FailedConnectReport& report : kFailedConnectReports) {
        if (report.result == result) {
            SetStatusLine(report.status);
            return report.pauseMs;
        }
    }
    SetStatusLine(trying);
    return kObsRetryMs;
}

// Tries until connected (true) or Stop is requested (false). Each try waits
// at most kObsWaitMs for OBS, and the pause between tries is cut short by
// Stop. `trying` is the status shown meanwhile, put back after an error text.
bool ConnectToObsUntilStopped(const wchar_t* trying)
{
    for (;;) {
        if (WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0)
            return false;
        const ObsConnectResult result =
            ConnectToObs(&g_app.Obs, g_app.ObsHost, g_app.ObsPort, g_app.ObsPassword, g_app.StopEvent);
        if (result == ObsConnectResult::Connected) {
            // Each new connection is given what OBS is to show besides scenes.
            ++g_app.ObsConnectionsMade;
            return true;
        }
        if (PauseUnlessStopped(ReportFailedConnect(result, trying)))
            return false;
    }
}

void ReportSwitchFailure(const wchar_t* format, const wchar_t* name)
{
    wchar_t status[kStatusChars];
    FormatStatus(status, format, name);
    SetStatusLine(status);
}

} // namespace

bool LocateBroadcaster()
{
    if (!IsObsChosen())
        return LocateXSplit();
    // A connection that is still good is kept: the loop comes here again
    // every time the game is lost, which must not cost OBS a login.
    if (!IsObsLost(&g_app.Obs))
        return true;
    SetStatusLine(L"Connecting to OBS...");
    return ConnectToObsUntilStopped(L"Connecting to OBS...");
}

bool IsBroadcasterLost()
{
    return IsObsChosen() ? IsObsLost(&g_app.Obs) : !IsWindow(g_app.XSplitWindow);
}

bool SwitchBroadcasterScene(const wchar_t* name)
{
    if (!IsObsChosen()) {
        ClickSceneButton(name);
        return true;
    }
    switch (SwitchObsScene(&g_app.Obs, name)) {
    case ObsSwitchResult::Switched:
        break;
    case ObsSwitchResult::NoSuchScene:
        ReportSwitchFailure(L"Error: Scene '%s' not found.", name);
        break;
    case ObsSwitchResult::Refused:
        ReportSwitchFailure(L"Error: OBS did not switch to '%s'.", name);
        break;
    case ObsSwitchResult::Lost:
        // The connection is closed. The watch loop connects again and then
        // applies the scene of the game's state; the relay receiver connects
        // again and then applies the scene it was sent.
        return false;
    }
    return true;
}

BroadcasterTexts ReceiverTexts()
{
    if (IsObsChosen())
        return {L"Connecting to OBS...", L"Lost OBS, connecting again...", L"Connected to OBS again!"};
    return {L"Finding XSplit window...", L"Lost XSplit, trying to find...", L"Found XSplit again!"};
}

bool WaitForBroadcaster(const wchar_t* shown)
{
    return IsObsChosen() ? ConnectToObsUntilStopped(shown) : WaitForXSplit();
}

bool IsBroadcasterGone()
{
    return IsObsChosen() ? IsObsLost(&g_app.Obs) : IsXSplitLost();
}

void ReleaseBroadcaster()
{
    DisconnectFromObs(&g_app.Obs);
}

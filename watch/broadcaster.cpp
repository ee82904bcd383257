#include "watch/broadcaster.h"

#include "app/app_state.h"
#include "status/status_line.h"
#include "obs/obs.h"
#include "obs/obs_messages.h"
#include "scenes/scene_list.h"
#include "scenes/scene_not_found.h"
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
bool LocateXSplit(XSplitTarget* xsplit)
{
    SetStatusLine(L"Finding XSplit window...");
    for (;;) {
        xsplit->window = FindXSplitWindow();
        if (PauseUnlessStopped(kSearchPauseMs))
            return false;
        if (xsplit->window != nullptr)
            break;
    }
    xsplit->processId = 0;
    GetWindowThreadProcessId(xsplit->window, &xsplit->processId);
    ReplaceSceneList(ListSceneButtons(*xsplit), false);
    SayFirstMissingScene(FirstMissingScene(CopySceneList()), L"XSplit");
    return true;
}

// OBS's scene events, as the worker reads them between its requests.
void FollowSceneEvent(const ObsMessage& event)
{
    if (event.isGroup)
        return;
    if (event.eventType == "SceneListChanged")
        ReplaceSceneList(WideSceneNames(event.sceneNames), true);
    else if (event.eventType == "SceneCreated")
        AddSceneToList(WideSceneName(event.sceneName));
    else if (event.eventType == "SceneRemoved")
        RemoveSceneFromList(WideSceneName(event.sceneName));
    else if (event.eventType == "SceneNameChanged")
        RenameSceneInList(WideSceneName(event.oldSceneName), WideSceneName(event.sceneName));
}

// The list as it was when OBS answered; the events keep it so from then on.
void KeepObsScenes(ObsAskResult asked, const std::vector<std::string>& scenes)
{
    if (asked == ObsAskResult::Answered)
        ReplaceSceneList(WideSceneNames(scenes), true);
    else
        ForgetSceneList(asked == ObsAskResult::TimedOut ? SceneListGap::TimedOut : SceneListGap::Failed, true);
}

// Here the fields' names are switched, so a name OBS lacks is said.
void KeepObsScenesAndCheckNames(ObsAskResult asked, const std::vector<std::string>& scenes)
{
    KeepObsScenes(asked, scenes);
    if (asked == ObsAskResult::Answered)
        SayFirstMissingScene(FirstMissingScene(CopySceneList()), L"OBS Studio");
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
bool ConnectToObsUntilStopped(WorkerRun* run, const wchar_t* trying)
{
    for (;;) {
        if (WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0)
            return false;
        const RunSettings& settings = run->settings;
        run->obs.onSceneEvent = FollowSceneEvent;
        // The receiver of a network pair switches the names it is sent,
        // not its fields'.
        run->obs.onSceneList = settings.networkMode ? KeepObsScenes : KeepObsScenesAndCheckNames;
        const ObsConnectResult result =
            ConnectToObs(&run->obs, settings.obsHost, settings.obsPort, settings.obsPassword, g_app.StopEvent);
        if (result == ObsConnectResult::Connected) {
            // Each new connection is given what OBS is to show besides scenes.
            ++run->obsConnectionsMade;
            // Asked, not awaited: the first switch of the connection goes
            // at once, and the answer is read between the switches.
            RequestObsSceneList(&run->obs);
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

bool LocateBroadcaster(WorkerRun* run)
{
    if (!run->settings.obs)
        return LocateXSplit(&run->xsplit);
    // A connection that is still good is kept: the loop comes here again
    // every time the game is lost, which must not cost OBS a login.
    if (!IsObsLost(&run->obs))
        return true;
    SetStatusLine(L"Connecting to OBS...");
    return ConnectToObsUntilStopped(run, L"Connecting to OBS...");
}

bool IsBroadcasterLost(WorkerRun* run)
{
    return run->settings.obs ? IsObsLost(&run->obs) : !IsWindow(run->xsplit.window);
}

bool SwitchBroadcasterScene(WorkerRun* run, const wchar_t* name)
{
    if (!run->settings.obs) {
        ClickSceneButton(run->xsplit, name);
        return true;
    }
    switch (SwitchObsScene(&run->obs, name)) {
    case ObsSwitchResult::Switched:
        break;
    case ObsSwitchResult::NoSuchScene:
        ReportSceneNotFound(name, CopySceneList().scenes);
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

BroadcasterTexts ReceiverTexts(const WorkerRun& run)
{
    if (run.settings.obs)
        return {L"Connecting to OBS...", L"Lost OBS, connecting again...", L"Connected to OBS again!"};
    return {L"Finding XSplit window...", L"Lost XSplit, trying to find...", L"Found XSplit again!"};
}

bool WaitForBroadcaster(WorkerRun* run, const wchar_t* shown)
{
    return run->settings.obs ? ConnectToObsUntilStopped(run, shown) : WaitForXSplit(&run->xsplit);
}

bool IsBroadcasterGone(WorkerRun* run)
{
    return run->settings.obs ? IsObsLost(&run->obs) : IsXSplitLost(run->xsplit);
}

void ReleaseBroadcaster(WorkerRun* run)
{
    DisconnectFromObs(&run->obs);
    ReleaseXSplit(&run->xsplit);
}

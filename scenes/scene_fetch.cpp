#include "scenes/scene_fetch.h"

#include "app/bounded_text.h"
#include "obs/obs.h"
#include "scenes/scene_list.h"
#include "xsplit/xsplit.h"

namespace {

// What one fetch needs, copied on the UI thread and then the fetch's own;
// the password is wiped with it.
struct FetchRequest {
    bool obs;
    wchar_t obsHost[kObsHostChars];
    DWORD obsPort;
    wchar_t obsPassword[kObsPasswordTextChars];
};

// Set by the UI thread when a fetch starts, cleared by the fetch as it ends.
volatile LONG g_fetching = 0;

SceneListGap GapOf(ObsConnectResult connected)
{
    switch (connected) {
    case ObsConnectResult::NoListener: return SceneListGap::NotRunning;
    case ObsConnectResult::TimedOut:   return SceneListGap::TimedOut;
    default:                           return SceneListGap::Failed;
    }
}

void FetchObsScenes(const FetchRequest& request)
{
    ObsConnection obs = {};
    const ObsConnectResult connected =
        ConnectToObs(&obs, request.obsHost, request.obsPort, request.obsPassword, nullptr);
    if (connected != ObsConnectResult::Connected) {
        ForgetSceneList(GapOf(connected), true);
        return;
    }
    std::vector<std::string> scenes;
    const ObsAskResult asked = AskObsScenes(&obs, &scenes);
    if (asked == ObsAskResult::Answered)
        ReplaceSceneList(WideSceneNames(scenes), true);
    else
        ForgetSceneList(asked == ObsAskResult::TimedOut ? SceneListGap::TimedOut : SceneListGap::Failed, true);
    DisconnectFromObs(&obs);
}

void FetchXSplitScenes()
{
    XSplitTarget xsplit = {};
    xsplit.window = FindXSplitWindow();
    if (xsplit.window == nullptr) {
        ForgetSceneList(SceneListGap::NotRunning, false);
        return;
    }
    GetWindowThreadProcessId(xsplit.window, &xsplit.processId);
    ReplaceSceneList(ListSceneButtons(xsplit), false);
}

DWORD WINAPI FetchScenes(void* context)
{
    FetchRequest* request = static_cast<FetchRequest*>(context);
    if (request->obs)
        FetchObsScenes(*request);
    else
        FetchXSplitScenes();
    SecureZeroMemory(request, sizeof *request);
    delete request;
    InterlockedExchange(&g_fetching, 0);
    return 0;
}

} // namespace

void FetchScenesInTheBackground()
{
    if (InterlockedCompareExchange(&g_fetching, 1, 0) != 0)
        return;
    FetchRequest* request = new FetchRequest();
    request->obs = IsObsChosen();
    NoteSceneListAsked(request->obs);
    CopyCut(request->obsHost, g_app.ObsHost);
    request->obsPort = g_app.ObsPort;
    CopyCut(request->obsPassword, g_app.ObsPassword);
    if (!QueueUserWorkItem(FetchScenes, request, WT_EXECUTELONGFUNCTION)) {
        SecureZeroMemory(request, sizeof *request);
        delete request;
        InterlockedExchange(&g_fetching, 0);
    }
}

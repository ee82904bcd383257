// The XSplit side of the relay: every well-formed datagram that reaches the
// port is obeyed. The port is bound before XSplit is looked for, so requests
// sent meanwhile wait in the socket rather than being refused.
//
// The receiver waits on an event that the socket signals when a datagram is
// there, beside the stop signal, rather than in a blocking receive or a
// select(): Stop is seen the moment it is asked for, and under Wine (where
// streamers on Linux run the game) a process ended while one of its threads
// sat in select() can leave the socket, and so port 53871, held by the Wine
// server until it exits, which no later receiver could then bind.
#include <winsock2.h>

#include "relay/relay.h"

#include "app/app_state.h"
#include "status/status_line.h"
#include "relay/datagram.h"
#include "watch/broadcaster.h"
#include "xsplit/xsplit.h"
#include "watch/paused_requests.h"

namespace {

// Should the wait itself fail, the pause before it is tried again.
constexpr DWORD kFailedWaitPauseMs = 50;

bool IsStopRequested()
{
    return WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0;
}

// True when a datagram (or an error) may be ready to be received, false
// when Stop was requested first.
bool WaitForDatagram(WSAEVENT arrived)
{
    // Without the resume signal a resume waits for the next datagram.
    const HANDLE signals[] = {g_app.StopEvent, arrived, g_app.ResumeEvent};
    const DWORD count = g_app.ResumeEvent != nullptr ? 3 : 2;
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(count, signals, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0)
            return false;
        if (woke == WAIT_OBJECT_0 + 1 || woke == WAIT_OBJECT_0 + 2)
            return true;
        if (WaitForSingleObject(g_app.StopEvent, kFailedWaitPauseMs) == WAIT_OBJECT_0)
            return false;
    }
}

// When the program to switch has gone since the last look, says so and
// waits for it; false when Stop was requested first.
bool AwaitBroadcasterIfGone(WorkerRun* run)
{
    if (!IsBroadcasterGone(run))
        return true;
    const BroadcasterTexts texts = ReceiverTexts(*run);
    SetStatusLine(texts.lost);
    if (!WaitForBroadcaster(run, texts.lost))
        return false;
    SetStatusLine(texts.foundAgain);
    return true;
}

// Obeys one received scene. The game computer sends each scene once, so a
// switch that finds the program lost (OBS's connection went as it was
// asked) is made again once the program is back, unless a newer request
// has come meanwhile: that one is obeyed next, and the older one would
// only flash on air before it. False when Stop was requested first.
bool SwitchToReceivedScene(WorkerRun* run, const wchar_t* scene, WSAEVENT arrived)
{
    for (;;) {
        wchar_t status[kStatusChars];
        FormatStatus(status, L"Remote switching to '%s'.", scene);
        SetStatusLine(status);
        if (IsSceneRequestHeld(scene))
            return true;
        if (SwitchBroadcasterScene(run, scene))
            return true;
        if (IsStopRequested() || !AwaitBroadcasterIfGone(run))
            return false;
        if (WaitForSingleObject(arrived, 0) == WAIT_OBJECT_0)
            return true;
    }
}

// Receives until Stop; the liveness test follows every receive, so a
// datagram that arrives after XSplit went away waits for the new XSplit.
void ReceiveUntilStopped(WorkerRun* run, SOCKET sock, WSAEVENT arrived)
{
    alignas(4) uint8_t buffer[kReceiveBufferBytes];
    uint16_t name[kReceivedNameUnits + 1];
    for (;;) {
        if (!WaitForDatagram(arrived))
            return;
        wchar_t wanted[kSceneNameChars];
        if (TakeSceneWantedOnResume(wanted) && !SwitchToReceivedScene(run, wanted, arrived))
            return;
        // Reset before the receive: the receive signals the event again when
        // more datagrams are waiting behind the one it takes.
        WSAResetEvent(arrived);
        sockaddr_in sender;
        int senderBytes = sizeof sender;
        const int got = recvfrom(sock, reinterpret_cast<char*>(buffer), int(sizeof buffer), 0,
                                 reinterpret_cast<sockaddr*>(&sender), &senderBytes);
        // The socket does not block: nothing there means nothing was received.
        if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        if (!AwaitBroadcasterIfGone(run))
            return;
        // A receive error (an oversized datagram among them) or a datagram
        // that is not one is dropped.
        if (got > 0 && DecodeSceneDatagram(buffer, size_t(got), name) &&
            !SwitchToReceivedScene(run, reinterpret_cast<const wchar_t*>(name), arrived))
            return;
        if (IsStopRequested())
            return;
        Sleep(1);
    }
}

// Finds the program to switch, then receives until Stop.
void ServeBoundSocket(WorkerRun* run, SOCKET sock, WSAEVENT arrived)
{
    const BroadcasterTexts texts = ReceiverTexts(*run);
    SetStatusLine(texts.finding);
    if (WaitForBroadcaster(run, texts.finding)) {
        SetStatusLine(L"Waiting for network event...");
        ReceiveUntilStopped(run, sock, arrived);
    }
    ReleaseXSplit(&run->xsplit);
}

} // namespace

void RunRelayReceiver(WorkerRun* run)
{
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET) {
        ShowRelayError(L"Unable to open a UDP socket!");
        return;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(kRelayPort);
    if (bind(sock, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
        ShowRelayError(L"Unable to bind to port 53871, check firewall / security shit or maybe the program is already running!");
        closesocket(sock);
        return;
    }
    // A socket whose datagrams cannot be waited for is as useless as one
    // that cannot be opened, and is said the same way.
    WSAEVENT arrived = WSACreateEvent();
    if (arrived == WSA_INVALID_EVENT || WSAEventSelect(sock, arrived, FD_READ) == SOCKET_ERROR)
        ShowRelayError(L"Unable to open a UDP socket!");
    else
        ServeBoundSocket(run, sock, arrived);
    closesocket(sock);
    if (arrived != WSA_INVALID_EVENT)
        WSACloseEvent(arrived);
}

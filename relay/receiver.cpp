// The XSplit side of the relay: every well-formed datagram that reaches the
// port is obeyed. The port is bound before XSplit is looked for, so requests
// sent meanwhile wait in the socket rather than being refused.
#include <winsock2.h>

#include "relay/relay.h"

#include "app/app_state.h"
#include "app/status_line.h"
#include "relay/datagram.h"
#include "watch/broadcaster.h"

namespace {

// How long one wait for a datagram lasts before the stop request is looked
// at again: the receive itself would wait for ever.
constexpr long kReceivePollMs = 50;

bool IsStopRequested()
{
    return WaitForSingleObject(g_app.StopEvent, 0) == WAIT_OBJECT_0;
}

// True when a datagram (or an error) is ready to be received, false when
// Stop was requested first.
bool WaitForDatagram(SOCKET sock)
{
    for (;;) {
        if (IsStopRequested())
            return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock, &readable);
        timeval timeout = {0, kReceivePollMs * 1000};
        const int ready = select(0, &readable, nullptr, nullptr, &timeout);
        if (ready > 0)
            return true;
        if (ready == SOCKET_ERROR)
            Sleep(kReceivePollMs);
    }
}

void ActOnDatagram(const uint8_t* data, int size)
{
    if (size <= 0)
        return;  // a receive error, an oversized datagram among them
    uint16_t name[kReceivedNameUnits + 1];
    if (!DecodeSceneDatagram(data, size_t(size), name))
        return;
    const wchar_t* scene = reinterpret_cast<const wchar_t*>(name);
    wchar_t status[kStatusChars];
    FormatStatus(status, L"Remote switching to '%s'.", scene);
    SetStatusLine(status);
    SwitchBroadcasterScene(scene);
}

// Receives until Stop; the liveness test follows every receive, so a
// datagram that arrives after XSplit went away waits for the new XSplit.
void ReceiveUntilStopped(SOCKET sock)
{
    alignas(4) uint8_t buffer[kReceiveBufferBytes];
    for (;;) {
        if (!WaitForDatagram(sock))
            return;
        sockaddr_in sender;
        int senderBytes = sizeof sender;
        const int got = recvfrom(sock, reinterpret_cast<char*>(buffer), int(sizeof buffer), 0,
                                 reinterpret_cast<sockaddr*>(&sender), &senderBytes);
        if (IsBroadcasterGone()) {
            const BroadcasterTexts texts = ReceiverTexts();
            SetStatusLine(texts.lost);
            if (!WaitForBroadcaster(texts.lost))
                return;
            SetStatusLine(texts.foundAgain);
        }
        ActOnDatagram(buffer, got);
        if (IsStopRequested())
            return;
        Sleep(1);
    }
}

} // namespace

void RunRelayReceiver()
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
    const BroadcasterTexts texts = ReceiverTexts();
    SetStatusLine(texts.finding);
    if (WaitForBroadcaster(texts.finding)) {
        SetStatusLine(L"Waiting for network event...");
        ReceiveUntilStopped(sock);
    }
    if (g_app.XSplitProcessHandle != nullptr) {
        CloseHandle(g_app.XSplitProcessHandle);
        g_app.XSplitProcessHandle = nullptr;
    }
    closesocket(sock);
}

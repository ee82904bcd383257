// The game side of the relay. Each request opens its own socket and
// resolves the host again, so a changed address or a network that came up
// late is picked up by the next request.
#include <winsock2.h>

#include "relay/relay.h"

#include "app/app_state.h"
#include "relay/datagram.h"

namespace {

constexpr int kHostUtf8Bytes = 255;  // with the terminator

// False when the host cannot be resolved. A name whose UTF-8 form does not
// fit is refused rather than cut: a cut name could reach another computer.
bool ResolveRemoteHost(const wchar_t* remoteHost, sockaddr_in* destination)
{
    char host[kHostUtf8Bytes];
    if (WideCharToMultiByte(CP_UTF8, 0, remoteHost, -1, host, kHostUtf8Bytes, nullptr, nullptr) == 0)
        return false;
    host[kHostUtf8Bytes - 1] = '\0';
    const hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr)
        return false;
    ZeroMemory(destination, sizeof *destination);
    destination->sin_family = AF_INET;
    destination->sin_port = htons(kRelayPort);
    CopyMemory(&destination->sin_addr, entry->h_addr_list[0], sizeof destination->sin_addr);
    return true;
}

} // namespace

void ShowRelayError(const wchar_t* text)
{
    MessageBoxW(g_app.MainDialog, text, L"Error", MB_OK);
}

void SendSceneToRemote(const wchar_t* host, const wchar_t* name)
{
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET) {
        ShowRelayError(L"Unable to open a UDP socket!");
        return;
    }
    sockaddr_in destination;
    if (ResolveRemoteHost(host, &destination)) {
        uint8_t record[kSenderRecordBytes];
        const size_t bytes = EncodeSceneDatagram(reinterpret_cast<const uint16_t*>(name), record);
        // A lost datagram stays lost: nothing on the other side answers.
        sendto(sock, reinterpret_cast<const char*>(record), int(bytes), 0,
               reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    } else {
        ShowRelayError(L"Unable to figure out the address you entered on the network setup page!");
    }
    closesocket(sock);
}

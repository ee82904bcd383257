#include <winsock2.h>

#include "drive/udp_sender.h"

bool SendDatagram(unsigned short port, const std::vector<uint8_t>& bytes)
{
    static const bool started = [] {
        WSADATA winsock;
        return WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    }();
    if (!started)
        return false;
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET)
        return false;
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int sent = sendto(sock, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
    closesocket(sock);
    return sent == int(bytes.size());
}

#include <winsock2.h>

#include "drive/udp_sender.h"

namespace {

bool StartWinsock()
{
    static const bool started = [] {
        WSADATA winsock;
        return WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    }();
    return started;
}

sockaddr_in AddressOf(u_long host, unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host);
    return address;
}

bool SendFrom(SOCKET sock, const sockaddr_in& to, const std::vector<uint8_t>& bytes)
{
    const int sent = sendto(sock, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == int(bytes.size());
}

} // namespace

std::vector<uint8_t> SceneDatagram(const std::wstring& name, uint32_t type)
{
    std::vector<uint8_t> d = {uint8_t(type), uint8_t(type >> 8), uint8_t(type >> 16), uint8_t(type >> 24)};
    for (wchar_t unit : name) {
        d.push_back(uint8_t(unit));
        d.push_back(uint8_t(unit >> 8));
    }
    d.push_back(0);
    d.push_back(0);
    return d;
}

bool SendDatagram(unsigned short port, const std::vector<uint8_t>& bytes)
{
    if (!StartWinsock())
        return false;
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET)
        return false;
    const bool sent = SendFrom(sock, AddressOf(INADDR_LOOPBACK, port), bytes);
    closesocket(sock);
    return sent;
}

size_t SendDatagramsAtFullSpeed(unsigned short port, const std::vector<std::vector<uint8_t>>& datagrams)
{
    if (!StartWinsock())
        return 0;
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET)
        return 0;
    const sockaddr_in to = AddressOf(INADDR_LOOPBACK, port);
    size_t sent = 0;
    for (const std::vector<uint8_t>& bytes : datagrams)
        if (SendFrom(sock, to, bytes))
            ++sent;
    closesocket(sock);
    return sent;
}

bool IsUdpPortFree(unsigned short port)
{
    if (!StartWinsock())
        return false;
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET)
        return false;
    const sockaddr_in any = AddressOf(INADDR_ANY, port);
    const bool bound = bind(sock, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
    closesocket(sock);
    return bound;
}

// Which addresses in Options are this computer, where the game's window is
// looked for and alt+tab counts, and which are another computer, where
// neither can be.
#include "app/app_state.h"
#include "watch/client_api_probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

bool IsRemote(const wchar_t* host)
{
    return IsGameApiHostRemote(host);
}

TEST(GameApiPlace, OnlyThisComputersOwnNamesAreLocal)
{
    const struct {
        const wchar_t* host;
        bool remote;
    } cases[] = {
        {L"127.0.0.1", false}, {L"localhost", false}, {L"LocalHost", false}, {L"::1", false},
        {L"[::1]", false},     {L"", false},          {L"127.0.0.2", true},  {L"192.168.1.20", true},
        {L"gaming-pc", true},  {L"localhost.", true}, {L" 127.0.0.1", true}, {L"::2", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsRemote(c.host), c.remote) << testing::PrintToString(std::wstring(c.host));
}

// A name with several addresses, the first unreachable (localhost as ::1
// first, with a game that listens on 127.0.0.1 only): each is tried in
// order until one connects, and the next request starts from that one.
TEST(GameApiPlace, EachAddressOfTheHostIsTriedUntilOneConnects)
{
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in game = {};
    game.sin_family = AF_INET;
    game.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof game;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&game), sizeof game), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&game), &length), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    std::thread answering([listener] {
        const SOCKET connection = accept(listener, nullptr, nullptr);
        char request[1024];
        for (int got = 0, total = 0; total < 4 || std::string(request, size_t(total)).find("\r\n\r\n") == std::string::npos;
             total += got) {
            if ((got = recv(connection, request + total, int(sizeof request) - total, 0)) <= 0)
                break;
        }
        const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 21\r\n\r\n{\"activeScreens\": []}";
        send(connection, answer, int(sizeof answer - 1), 0);
        closesocket(connection);
    });

    auto link = std::make_unique<ClientApiLink>();
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(OpenClientApiLink(link.get(), L"localhost", ntohs(game.sin_port), stop));
    sockaddr_in6 unreachable = {};
    unreachable.sin6_family = AF_INET6;
    unreachable.sin6_addr = in6addr_loopback;
    unreachable.sin6_port = game.sin_port;
    link->addresses.count = 2;
    std::memcpy(&link->addresses.each[0].address, &unreachable, sizeof unreachable);
    link->addresses.each[0].length = sizeof unreachable;
    std::memcpy(&link->addresses.each[1].address, &game, sizeof game);
    link->addresses.each[1].length = sizeof game;
    link->addressKnown = true;
    link->addressFoundTick = GetTickCount64();

    EXPECT_EQ(AskClientApiScreens(link.get(), GetTickCount64() + 10000), ClientApiScreens::MapOn);
    EXPECT_EQ(link->addressAt, 1) << "the next request does not start from the address that worked";
    answering.join();
    CloseClientApiLink(link.get());
    CloseHandle(stop);
    closesocket(listener);
    WSACleanup();
}

} // namespace

// The listener of the simulated client API and the state it shares with the
// window. The listener opens and closes as the faults say and hands each
// connection to a thread of its own, so a connection that hangs on purpose
// holds up no other.
#include "sim_game/api_server.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr DWORD kAcceptPollMs = 50;
constexpr DWORD kPortRetryMs = 250;
// How long PutApiFaultsInForce waits for the listener to follow.
constexpr DWORD kListenerFollowMs = 3000;
// Past this many open connections a new one is reset at once.
constexpr unsigned kMostConnections = 64;

// Every field is written under `mutex`; `view` and `faults` by the window's
// thread, the others by the listener thread.
struct ApiShared {
    std::mutex mutex;
    std::condition_variable followed;
    unsigned short port = kSimDefaultApiPort;
    ULONG address = 0;  // network order
    GameView view;
    ApiFaults faults;
    unsigned wantedGeneration = 0;   // window's thread: counts calls of PutApiFaultsInForce
    unsigned appliedGeneration = 0;  // listener: the last generation it has followed
    unsigned closeEpoch = 0;         // listener
    unsigned openConnections = 0;    // listener adds, connections' threads take away
    ListenerState state = ListenerState::Closed;  // listener
} g_api;

SOCKET OpenListener(ULONG on, unsigned short port)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return INVALID_SOCKET;
    // No SO_REUSEADDR: a second listener on the port must fail, not share it
    // (under Wine a port left in TIME_WAIT can be bound again without it).
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = on;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, SOMAXCONN) != 0) {
        closesocket(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

bool WaitReadable(SOCKET socket, DWORD ms)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = {long(ms / 1000), long((ms % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

void ResetSocket(SOCKET socket)
{
    linger abort = {1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(socket);
}

// The listener thread's own record of its socket and of its last try at
// the port.
struct Listener {
    SOCKET socket = INVALID_SOCKET;
    ULONGLONG lastTryTick = 0;
    unsigned lastGeneration = 0;
};

// Opens or closes the listener as the faults now say, and tells whoever
// waits in PutApiFaultsInForce. A busy port is tried again every
// kPortRetryMs, and at once when the faults have just been put in force.
void FollowFaults(Listener* listener)
{
    std::unique_lock<std::mutex> lock(g_api.mutex);
    const bool wantOpen = !g_api.faults.closed;
    const unsigned generation = g_api.wantedGeneration;
    const unsigned short port = g_api.port;
    const ULONG address = g_api.address;
    lock.unlock();
    if (!wantOpen && listener->socket != INVALID_SOCKET) {
        closesocket(listener->socket);
        listener->socket = INVALID_SOCKET;
    }
    const ULONGLONG now = GetTickCount64();
    if (wantOpen && listener->socket == INVALID_SOCKET &&
        (generation != listener->lastGeneration || listener->lastTryTick == 0 ||
         now - listener->lastTryTick >= kPortRetryMs)) {
        listener->socket = OpenListener(address, port);
        listener->lastTryTick = now;
    }
    listener->lastGeneration = generation;
    lock.lock();
    if (!wantOpen && g_api.state != ListenerState::Closed)
        ++g_api.closeEpoch;
    g_api.state = !wantOpen                             ? ListenerState::Closed
                  : listener->socket != INVALID_SOCKET ? ListenerState::Listening
                                                       : ListenerState::PortBusy;
    const bool newlyApplied = g_api.appliedGeneration != generation;
    g_api.appliedGeneration = generation;
    lock.unlock();
    if (newlyApplied)
        g_api.followed.notify_all();
}

void AcceptOne(SOCKET listener, unsigned* serial)
{
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET)
        return;
    {
        std::lock_guard<std::mutex> lock(g_api.mutex);
        if (g_api.openConnections >= kMostConnections) {
            ResetSocket(client);
            return;
        }
        ++g_api.openConnections;
    }
    ++*serial;
    std::thread(ServeConnection, client, *serial).detach();
}

void RunListener()
{
    Listener listener;
    unsigned serial = 0;
    for (;;) {
        FollowFaults(&listener);
        if (listener.socket == INVALID_SOCKET)
            Sleep(kAcceptPollMs);
        else if (WaitReadable(listener.socket, kAcceptPollMs))
            AcceptOne(listener.socket, &serial);
    }
}

} // namespace

bool StartApiServer(ULONG address, unsigned short port, const ApiFaults& faults, const GameView& view)
{
    {
        std::lock_guard<std::mutex> lock(g_api.mutex);
        g_api.address = address;
        g_api.port = port;
        g_api.faults = faults;
        g_api.view = view;
    }
    std::thread(RunListener).detach();
    return true;
}

void PublishGameView(const GameView& view)
{
    std::lock_guard<std::mutex> lock(g_api.mutex);
    g_api.view = view;
}

void PutApiFaultsInForce(const ApiFaults& faults)
{
    std::unique_lock<std::mutex> lock(g_api.mutex);
    g_api.faults = faults;
    const unsigned generation = ++g_api.wantedGeneration;
    g_api.followed.wait_for(lock, std::chrono::milliseconds(kListenerFollowMs),
                            [&] { return int(g_api.appliedGeneration - generation) >= 0; });
}

ListenerState CurrentListenerState()
{
    std::lock_guard<std::mutex> lock(g_api.mutex);
    return g_api.state;
}

AnswerContext CurrentAnswerContext()
{
    std::lock_guard<std::mutex> lock(g_api.mutex);
    return {g_api.view, g_api.faults};
}

unsigned CloseEpoch()
{
    std::lock_guard<std::mutex> lock(g_api.mutex);
    return g_api.closeEpoch;
}

void ConnectionEnded()
{
    std::lock_guard<std::mutex> lock(g_api.mutex);
    --g_api.openConnections;
}

// The address of the computer the game's client API runs on. An address
// typed as numbers is taken at once; a name is looked up on a thread of its
// own, because a lookup can take seconds (a name server that does not
// answer) and the worker must stay prompt to Stop: the worker waits for it
// at most until a sample's deadline and asks again at the next sample.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>

struct HostLookup;  // a lookup under way, owned by it and by its asker

struct HostAddress {
    sockaddr_storage address;
    int length;
};

// The most addresses of one name kept: a computer has a few, one a family.
constexpr int kHostAddressLimit = 8;

// Every address a name has, in the order the lookup gave them: the first
// need not be reachable (localhost is often ::1 first, and a game that
// answers on 127.0.0.1 only is reached by the second).
struct HostAddresses {
    HostAddress each[kHostAddressLimit];
    int count;
};

enum class LookupResult { Found, Pending, Failed };

// Looks `host` up (port in host order); *pending holds a lookup still under
// way between calls, null when none. Waits until `deadline` or `stop`.
LookupResult LookUpHost(const wchar_t* host, unsigned short port, HostLookup** pending, ULONGLONG deadline,
                        HANDLE stop, HostAddresses* found);

// Lets go of a lookup still under way; it ends on its own and frees itself.
void AbandonHostLookup(HostLookup** pending);

#include "watch/host_address.h"

#include <atomic>
#include <cstring>
#include <cwchar>

namespace {
// A host name, or an address in brackets, as typed: 255 units and the terminator.
constexpr size_t kHostChars = 256;
} // namespace

// Shared by the asker and the lookup's thread; whichever lets go last frees it.
struct HostLookup {
    wchar_t host[kHostChars];
    unsigned short port;
    HANDLE done;                // manual-reset: the result is there
    std::atomic<int> holders;  // the asker and the thread
    HostAddresses addresses;   // written by the thread before `done`; none when not found
};

namespace {

void Release(HostLookup* lookup)
{
    if (lookup->holders.fetch_sub(1) == 1) {
        CloseHandle(lookup->done);
        delete lookup;
    }
}

DWORD WINAPI RunLookup(void* context)
{
    HostLookup* lookup = static_cast<HostLookup*>(context);
    wchar_t port[8];
    std::swprintf(port, 8, L"%u", unsigned(lookup->port));
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* results = nullptr;
    HostAddresses* found = &lookup->addresses;
    found->count = 0;
    if (GetAddrInfoW(lookup->host, port, &hints, &results) == 0) {
        for (const ADDRINFOW* a = results; a != nullptr && found->count < kHostAddressLimit; a = a->ai_next) {
            if (a->ai_addrlen <= sizeof found->each[0].address) {
                HostAddress* address = &found->each[found->count++];
                std::memcpy(&address->address, a->ai_addr, a->ai_addrlen);
                address->length = int(a->ai_addrlen);
            }
        }
        FreeAddrInfoW(results);
    }
    SetEvent(lookup->done);
    Release(lookup);
    return 0;
}

// "[::1]" is how an IPv6 address is written beside a port; the brackets
// are no part of it.
void WithoutBrackets(const wchar_t* host, wchar_t (&bare)[kHostChars])
{
    size_t length = wcsnlen(host, kHostChars - 1);
    if (length >= 2 && host[0] == L'[' && host[length - 1] == L']') {
        ++host;
        length -= 2;
    }
    std::wmemcpy(bare, host, length);
    bare[length] = L'\0';
}

bool ReadNumericAddress(const wchar_t* host, unsigned short port, HostAddresses* addresses)
{
    std::memset(addresses, 0, sizeof *addresses);
    addresses->count = 1;
    HostAddress* found = &addresses->each[0];
    sockaddr_in* v4 = reinterpret_cast<sockaddr_in*>(&found->address);
    if (InetPtonW(AF_INET, host, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        found->length = sizeof *v4;
        return true;
    }
    sockaddr_in6* v6 = reinterpret_cast<sockaddr_in6*>(&found->address);
    if (InetPtonW(AF_INET6, host, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        found->length = sizeof *v6;
        return true;
    }
    addresses->count = 0;
    return false;
}

HostLookup* StartLookup(const wchar_t* host, unsigned short port)
{
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr)
        return nullptr;
    HostLookup* lookup = new HostLookup;
    std::wmemcpy(lookup->host, host, kHostChars);
    lookup->port = port;
    lookup->done = done;
    lookup->holders = 2;
    lookup->addresses.count = 0;
    HANDLE thread = CreateThread(nullptr, 0, RunLookup, lookup, 0, nullptr);
    if (thread == nullptr) {
        lookup->holders = 1;
        Release(lookup);
        return nullptr;
    }
    CloseHandle(thread);
    return lookup;
}

} // namespace

LookupResult LookUpHost(const wchar_t* host, unsigned short port, HostLookup** pending, ULONGLONG deadline,
                        HANDLE stop, HostAddresses* found)
{
    wchar_t bare[kHostChars];
    WithoutBrackets(host, bare);
    if (*pending == nullptr && ReadNumericAddress(bare, port, found))
        return LookupResult::Found;
    if (*pending == nullptr) {
        *pending = StartLookup(bare, port);
        if (*pending == nullptr)
            return LookupResult::Failed;
    }
    const ULONGLONG now = GetTickCount64();
    const HANDLE waits[] = {stop, (*pending)->done};
    WaitForMultipleObjects(2, waits, FALSE, now >= deadline ? 0 : DWORD(deadline - now));
    if (WaitForSingleObject((*pending)->done, 0) != WAIT_OBJECT_0)
        return LookupResult::Pending;
    const bool wasFound = (*pending)->addresses.count > 0;
    if (wasFound)
        *found = (*pending)->addresses;
    AbandonHostLookup(pending);
    return wasFound ? LookupResult::Found : LookupResult::Failed;
}

void AbandonHostLookup(HostLookup** pending)
{
    if (*pending != nullptr)
        Release(*pending);
    *pending = nullptr;
}

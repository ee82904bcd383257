#include "bench/handle_count.h"

#include <vector>

namespace {

// The system information class of the extended handle list, and the status
// that asks for a larger buffer; neither is in MinGW's headers.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = LONG(0xC0000004);
constexpr size_t kFirstListBytes = 1 << 20;
constexpr size_t kLargestListBytes = 256u << 20;

struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleList {
    ULONG_PTR count;
    // cppcheck-suppress unusedStructMember ; part of the system's layout
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

bool CountInSystemList(DWORD processId, DWORD* count)
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    void* found = ntdll == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation"));
    if (found == nullptr)
        return false;
    auto query = reinterpret_cast<QuerySystemInformation>(found);
    for (size_t bytes = kFirstListBytes; bytes <= kLargestListBytes; bytes *= 2) {
        std::vector<BYTE> buffer(bytes);
        ULONG needed = 0;
        const LONG status = query(kSystemExtendedHandleInformation, buffer.data(), ULONG(bytes), &needed);
        if (status == kStatusInfoLengthMismatch)
            continue;
        if (status < 0)
            return false;
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        const size_t room = (bytes - offsetof(HandleList, entries)) / sizeof(HandleEntry);
        const size_t listed = list->count < room ? size_t(list->count) : room;
        DWORD mine = 0;
        for (size_t i = 0; i < listed; ++i)
            if (list->entries[i].processId == processId)
                ++mine;
        *count = mine;
        return true;
    }
    return false;
}

} // namespace

bool CountProcessHandles(HANDLE process, DWORD processId, DWORD* count, std::string* source)
{
    // A running process holds some handles, so 0 means "not told".
    if (GetProcessHandleCount(process, count) && *count != 0) {
        *source = "GetProcessHandleCount";
        return true;
    }
    if (CountInSystemList(processId, count)) {
        *source = "counted in the system's handle list; GetProcessHandleCount gives 0 under Wine";
        return true;
    }
    return false;
}

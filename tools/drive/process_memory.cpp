#include "drive/process_memory.h"

#include <algorithm>
#include <cstring>

namespace {

// Read a region so much at a time; the end of one piece is read again with
// the next, so that a needle across the seam is seen.
constexpr SIZE_T kPieceBytes = 1 << 20;

bool IsWritable(DWORD protection)
{
    if ((protection & (PAGE_GUARD | PAGE_NOACCESS)) != 0)
        return false;
    const DWORD kind = protection & 0xFF;
    return kind == PAGE_READWRITE || kind == PAGE_WRITECOPY || kind == PAGE_EXECUTE_READWRITE ||
           kind == PAGE_EXECUTE_WRITECOPY;
}

void CountIn(const std::vector<char>& bytes, size_t size, size_t from, const std::vector<std::string>& needles,
             std::vector<size_t>* counts)
{
    for (size_t n = 0; n < needles.size(); ++n) {
        const std::string& needle = needles[n];
        if (needle.empty() || size < needle.size())
            continue;
        auto at = bytes.begin();
        const auto end = bytes.begin() + std::ptrdiff_t(size);
        while ((at = std::search(at, end, needle.begin(), needle.end())) != end) {
            // A hit wholly inside what the last piece already searched is
            // not counted twice.
            if (size_t(at - bytes.begin()) + needle.size() > from)
                ++(*counts)[n];
            ++at;
        }
    }
}

void CountInRegion(HANDLE process, const MEMORY_BASIC_INFORMATION& region, size_t overlap,
                   const std::vector<std::string>& needles, std::vector<size_t>* counts)
{
    const char* base = static_cast<const char*>(region.BaseAddress);
    std::vector<char> bytes(kPieceBytes + overlap);
    size_t kept = 0;  // bytes of the last piece kept at the front
    for (SIZE_T offset = 0; offset < region.RegionSize; offset += kPieceBytes) {
        const SIZE_T want = std::min(kPieceBytes, region.RegionSize - offset);
        SIZE_T got = 0;
        if (!ReadProcessMemory(process, base + offset, bytes.data() + kept, want, &got) || got == 0) {
            kept = 0;
            continue;
        }
        const size_t size = kept + got;
        CountIn(bytes, size, kept, needles, counts);
        kept = std::min(overlap, size);
        std::memmove(bytes.data(), bytes.data() + size - kept, kept);
    }
}

} // namespace

std::vector<size_t> CountInProcessMemory(DWORD processId, const std::vector<std::string>& needles)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return {};
    size_t overlap = 0;
    for (const std::string& needle : needles)
        overlap = std::max(overlap, needle.empty() ? 0 : needle.size() - 1);
    std::vector<size_t> counts(needles.size(), 0);
    MEMORY_BASIC_INFORMATION region = {};
    const char* address = nullptr;
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && IsWritable(region.Protect))
            CountInRegion(process, region, overlap, needles, &counts);
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    CloseHandle(process);
    return counts;
}

std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

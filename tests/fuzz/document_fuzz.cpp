// Whole StarInfoData documents as the download can deliver them (any bytes,
// up to 16383 of them) through the parse and the whole walk. Besides the
// sanitizers' reports, it checks what must hold for any document: the walk
// ends, never yields more entries than the text could hold, every Version
// is a readable text, and every Ptr1 is read as the C library reads base 16
// with a 32-bit unsigned long.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "patch/patch_document.h"

namespace {

// The download keeps at most this many bytes of the body.
constexpr size_t kLongestDocumentBytes = 16383;
// The shortest text that yields an entry: "<Patch/>".
constexpr size_t kShortestPatchBytes = 8;

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The address that strtoul gives where unsigned long has 32 bits: the
// 64-bit one parses, and its overflow and negation are redone in 32 bits.
uint32_t ReferenceAddress(const char* text)
{
    const char* at = text;
    while (IsCSpace(*at))
        ++at;
    const bool negative = *at == '-';
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, nullptr, 16);
    if (errno == ERANGE)
        return 0xFFFFFFFFu;
    const unsigned long long magnitude = negative ? 0ull - parsed : parsed;
    if (magnitude > 0xFFFFFFFFull)
        return 0xFFFFFFFFu;
    return negative ? uint32_t(0u - uint32_t(magnitude)) : uint32_t(magnitude);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kLongestDocumentBytes)
        return 0;
    // Exactly as long as the text and its terminator, so that a read past
    // either is seen.
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';

    mxml_node_t* top = ParsePatchDocument(text.get());
    PatchWalk walk = BeginPatchWalk(top);
    PatchEntry entry;
    size_t entries = 0;
    while (NextPatchEntry(&walk, &entry)) {
        if (++entries > size / kShortestPatchBytes)
            std::abort();  // the walk came back to a node it had passed
        if (entry.version == nullptr || std::strlen(entry.version) > size)
            std::abort();
        const char* ptr1 = mxmlElementGetAttr(walk.current, "Ptr1");
        if (entry.address != (ptr1 != nullptr ? ReferenceAddress(ptr1) : 0u))
            std::abort();
    }
    mxmlDelete(top);
    return 0;
}

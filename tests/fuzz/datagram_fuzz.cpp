// Any datagram the receiver can be handed (up to one byte more than its
// buffer) through the decoder. Besides the sanitizers' reports, it checks
// the decoder against the datagram's layout: what is obeyed, the name it
// carries, and that a name that fits the sender travels back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "relay/datagram.h"

namespace {

uint16_t UnitAt(const uint8_t* data, size_t unit)
{
    return uint16_t(data[kDatagramHeaderBytes + 2 * unit] | data[kDatagramHeaderBytes + 2 * unit + 1] << 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kReceiveBufferBytes + 1)
        return 0;
    // Exactly as long as the datagram, so that a read past its end is seen.
    std::unique_ptr<uint8_t[]> datagram(new uint8_t[size > 0 ? size : 1]);
    std::memcpy(datagram.get(), data, size);

    uint16_t name[kReceivedNameUnits + 1];
    std::memset(name, 0xA5, sizeof name);
    const bool obeyed = DecodeSceneDatagram(datagram.get(), size, name);
    const bool switchRequest = size > kDatagramHeaderBytes && size <= kReceiveBufferBytes && data[0] == 1 &&
                               data[1] == 0 && data[2] == 0 && data[3] == 0;
    if (obeyed != switchRequest)
        std::abort();
    if (!obeyed)
        return 0;

    const size_t available = (size - kDatagramHeaderBytes) / 2;
    size_t units = 0;
    while (units < available && UnitAt(data, units) != 0)
        ++units;
    for (size_t i = 0; i < units; ++i)
        if (name[i] != UnitAt(data, i))
            std::abort();
    if (name[units] != 0)
        std::abort();

    if (units <= kSenderNameUnits) {
        uint8_t record[kSenderRecordBytes];
        const size_t sent = EncodeSceneDatagram(name, record);
        uint16_t back[kReceivedNameUnits + 1];
        if (sent != kDatagramHeaderBytes + 2 * units + 2 || !DecodeSceneDatagram(record, sent, back) ||
            std::memcmp(back, name, 2 * (units + 1)) != 0)
            std::abort();
    }
    return 0;
}

#include "relay/datagram.h"

#include <cstring>

size_t EncodeSceneDatagram(const uint16_t* name, uint8_t (&record)[kSenderRecordBytes])
{
    std::memset(record, 0, sizeof record);
    record[0] = uint8_t(kSwitchSceneType);
    record[1] = uint8_t(kSwitchSceneType >> 8);
    record[2] = uint8_t(kSwitchSceneType >> 16);
    record[3] = uint8_t(kSwitchSceneType >> 24);
    size_t units = 0;
    while (units < kSenderNameUnits && name[units] != 0) {
        record[kDatagramHeaderBytes + 2 * units] = uint8_t(name[units]);
        record[kDatagramHeaderBytes + 2 * units + 1] = uint8_t(name[units] >> 8);
        ++units;
    }
    // The terminator is already there: the record was cleared.
    return kDatagramHeaderBytes + 2 * units + 2;
}

bool DecodeSceneDatagram(const uint8_t* data, size_t size, uint16_t (&name)[kReceivedNameUnits + 1])
{
    name[0] = 0;
    if (size <= kDatagramHeaderBytes || size > kReceiveBufferBytes)
        return false;
    const uint32_t type = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                          uint32_t(data[3]) << 24;
    if (type != kSwitchSceneType)
        return false;
    const size_t available = (size - kDatagramHeaderBytes) / 2;  // a last odd byte is no unit
    size_t units = 0;
    while (units < available && units < kReceivedNameUnits) {
        const uint16_t unit = uint16_t(data[kDatagramHeaderBytes + 2 * units] |
                                       data[kDatagramHeaderBytes + 2 * units + 1] << 8);
        if (unit == 0)
            break;
        name[units++] = unit;
    }
    name[units] = 0;
    return true;
}

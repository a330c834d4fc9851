#pragma once
// The blocks of a pcapng capture file, and the USBPcap packet header that
// carries one USB transfer in it: bytes only, little-endian, no I/O.
#include <cstddef>
#include <cstdint>

#include "common/report.h"

namespace korvane::pcapng {

// The link type of USBPcap captures.
inline constexpr uint16_t kLinkTypeUsbPcap = 249;

// The section header: byte-order magic, version 1.0, length unknown.
Bytes SectionHeader();
// One interface of `linkType`, its times in microseconds (the default resolution).
Bytes InterfaceDescription(uint16_t linkType, uint32_t snapLength);
// One packet of interface `interfaceId` at `timeUs` (since 1970), captured whole.
Bytes EnhancedPacket(uint32_t interfaceId, uint64_t timeUs, const Bytes& packet);

// One interrupt transfer as USBPcap records it: the 27-byte header and the
// data. Out of the host: the request as submitted; into it: the completion.
struct UsbTransfer {
    uint64_t irpId = 0;
    uint16_t bus = 1;
    uint16_t device = 1;
    uint8_t endpoint = 0;  // with bit 7 set for an IN endpoint
    const uint8_t* data = nullptr;
    std::size_t length = 0;
};
Bytes UsbPcapInterrupt(const UsbTransfer& transfer);

}  // namespace korvane::pcapng

#include "trace/pcapng.h"

namespace korvane::pcapng {

namespace {

constexpr uint32_t kSectionHeaderType = 0x0A0D0D0A;
constexpr uint32_t kInterfaceType = 0x00000001;
constexpr uint32_t kEnhancedPacketType = 0x00000006;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;

constexpr uint16_t kUsbPcapHeaderLength = 27;
constexpr uint16_t kUrbBulkOrInterrupt = 0x0009;  // URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER
constexpr uint8_t kInfoCompletion = 0x01;         // travelling up, from the device
constexpr uint8_t kTransferInterrupt = 1;

void Put16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put64(Bytes& b, uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A block: its type, its total length before and after the body, the
// body padded to 32 bits.
Bytes Block(uint32_t type, Bytes body) {
    while (body.size() % 4 != 0) body.push_back(0);
    const auto total = static_cast<uint32_t>(body.size() + 12);
    Bytes b;
    Put32(b, type);
    Put32(b, total);
    b.insert(b.end(), body.begin(), body.end());
    Put32(b, total);
    return b;
}

}  // namespace

Bytes SectionHeader() {
    Bytes body;
    Put32(body, kByteOrderMagic);
    Put16(body, 1);
    Put16(body, 0);
    Put64(body, ~uint64_t{0});  // section length not given
    return Block(kSectionHeaderType, body);
}

Bytes InterfaceDescription(uint16_t linkType, uint32_t snapLength) {
    Bytes body;
    Put16(body, linkType);
    Put16(body, 0);
    Put32(body, snapLength);
    return Block(kInterfaceType, body);
}

Bytes EnhancedPacket(uint32_t interfaceId, uint64_t timeUs, const Bytes& packet) {
    Bytes body;
    Put32(body, interfaceId);
    Put32(body, static_cast<uint32_t>(timeUs >> 32));
    Put32(body, static_cast<uint32_t>(timeUs));
    Put32(body, static_cast<uint32_t>(packet.size()));
    Put32(body, static_cast<uint32_t>(packet.size()));
    body.insert(body.end(), packet.begin(), packet.end());
    return Block(kEnhancedPacketType, body);
}

Bytes UsbPcapInterrupt(const UsbTransfer& t) {
    Bytes b;
    Put16(b, kUsbPcapHeaderLength);
    Put64(b, t.irpId);
    Put32(b, 0);  // USBD_STATUS_SUCCESS
    Put16(b, kUrbBulkOrInterrupt);
    b.push_back((t.endpoint & 0x80) != 0 ? kInfoCompletion : 0);
    Put16(b, t.bus);
    Put16(b, t.device);
    b.push_back(t.endpoint);
    b.push_back(kTransferInterrupt);
    Put32(b, static_cast<uint32_t>(t.length));
    if (t.data != nullptr) b.insert(b.end(), t.data, t.data + t.length);
    return b;
}

}  // namespace korvane::pcapng

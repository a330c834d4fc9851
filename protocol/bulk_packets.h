#pragma once
// Packet sequences of the bulk commands: an image cut into numbered packets of
// 54 payload bytes behind a 4-byte header (total N, number i, both big-endian).
#include <cstddef>
#include <cstdint>

#include "protocol/lamp_frame.h"

namespace korvane {

inline constexpr std::size_t kPacketPayload = 54;
inline constexpr std::size_t kPacketHeader = 4;
inline constexpr std::size_t kMaxPackets = 65535;                           // 16-bit count
inline constexpr std::size_t kMaxBulkImage = kMaxPackets * kPacketPayload;  // 3,538,890

// N: the last packet carries what is left and may be part-filled.
inline constexpr std::size_t PacketCount(std::size_t length) {
    return (length + kPacketPayload - 1) / kPacketPayload;
}

// Request bytes of packet i (1-based) of an image of `length` bytes:
// 01, cmd, n, N(hi, lo), i(hi, lo), payload, checksum. Empty when i is out of
// 1..N or the image exceeds kMaxBulkImage.
Bytes PacketFrame(uint8_t command, const uint8_t* image, std::size_t length, std::size_t i);

// Collects the payloads of a bulk-read reply sequence. The first reply's
// header, command and checksum are checked and announce N; later replies are
// checked for header and command only (their checksum and number are not
// examined). Nothing is ever written outside the N x kPacketPayload receive buffer.
class BulkReassembler {
  public:
    enum class Status {
        Ok,
        WrongHeader,  // not 00 55 AA 02 cmd
        BadData,      // first reply: checksum wrong, or length/count impossible
        PacketError,  // later reply: length impossible or payload past N x kPacketPayload
    };

    explicit BulkReassembler(uint8_t command) : command_(command) {}

    Status First(const Report& report);
    Status Next(const Report& report);

    std::size_t total() const { return total_; }
    // The bytes appended so far, in arrival order (never the unfilled tail).
    const Bytes& payload() const { return payload_; }

  private:
    Status Append(const Report& report);

    uint8_t command_;
    std::size_t total_ = 0;
    Bytes payload_;
};

}  // namespace korvane

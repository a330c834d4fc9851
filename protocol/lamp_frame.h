#pragma once
// The 55 AA request/reply frame carried in one 65-byte HID report.
//
// Report layout: [0] report ID 0x00, [1..2] 55 AA, [3] type (01 request,
// 02 reply), [4] command, [5] length n, [6..5+n] data, [6+n] checksum.
// The checksum is NOT(type + command + n + data...) modulo 256.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/report.h"

namespace korvane {

inline constexpr std::size_t kMaxFrameData = 58;  // 7 + n <= 65

enum class LampCommand : uint8_t {
    InitDevice = 0xD0,
    SetBasicParams = 0xD1,
    ReadBasicParams = 0xD2,
    UpgradeFirmware = 0xD3,
    ReadVersion = 0xD4,
    DownloadVoice = 0xD5,
    FormatVoiceArea = 0xD6,
    DownloadFixedVoice = 0xD9,
    FormatFixedVoiceArea = 0xDA,
    SetFrequency = 0xE0,
    ReadFrequency = 0xE1,
    SetAddressCodes = 0xE2,
    ReadAddressCodes = 0xE3,
};

inline constexpr uint8_t Code(LampCommand c) { return static_cast<uint8_t>(c); }

namespace LampFrame {

inline constexpr uint8_t kTypeRequest = 0x01;
inline constexpr uint8_t kTypeReply = 0x02;
inline constexpr uint8_t kAckByte = 0x5A;

// NOT of the 8-bit sum of `n` bytes.
uint8_t Checksum(const uint8_t* bytes, std::size_t n);

// Request bytes 01, command, n, data, checksum; nullopt when n > kMaxFrameData.
std::optional<Bytes> FrameRequest(uint8_t command, const uint8_t* data, std::size_t n);
inline std::optional<Bytes> FrameRequest(uint8_t command, const Bytes& data) {
    return FrameRequest(command, data.data(), data.size());
}

// A request without data: 01, command, 00, NOT(0x01 + command).
Bytes EmptyRequest(LampCommand command);

// 00 55 AA, then the request bytes (at most 62 of them, more are dropped), the rest 0x00.
Report PlaceRequest(const uint8_t* request, std::size_t n);
inline Report PlaceRequest(const Bytes& request) {
    return PlaceRequest(request.data(), request.size());
}

enum class ReplyCheck {
    Ok,
    BadHeader,    // report ID, sync or type wrong
    BadLength,    // length byte above kMaxFrameData: the checksum would lie outside the report
    BadChecksum,  // sum of type..checksum is not 0xFF
};

// Validates a reply frame; never reads outside the 65 bytes.
ReplyCheck CheckReply(const Report& report);

// Fields of a reply (or request) in a report. Data() is bounded by the report.
inline uint8_t CommandOf(const Report& r) { return r[4]; }
inline uint8_t LengthOf(const Report& r) { return r[5]; }
Bytes DataOf(const Report& r);

// The bulk acknowledgement: 00 55 AA 02 cmd 01 5A NOT(0x5D + cmd).
bool IsBulkAck(const Report& report, uint8_t command);

// The report of a bulk-read request: 00 55 AA 01 cmd 00 NOT(cmd + 1), zero-filled.
Report BulkReadRequest(uint8_t command);

// A reply report (type 02) with the given data, for the host side; data beyond kMaxFrameData bytes
// is cut.
Report MakeReply(uint8_t command, const uint8_t* data, std::size_t n);
inline Report MakeReply(uint8_t command, const Bytes& data) {
    return MakeReply(command, data.data(), data.size());
}

}  // namespace LampFrame
}  // namespace korvane

#include "protocol/lamp_frame.h"

#include <algorithm>

namespace korvane::LampFrame {

uint8_t Checksum(const uint8_t* bytes, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += bytes[i];
    return static_cast<uint8_t>(~sum & 0xFFu);
}

std::optional<Bytes> FrameRequest(uint8_t command, const uint8_t* data, std::size_t n) {
    if (n > kMaxFrameData || (n > 0 && data == nullptr)) return std::nullopt;
    Bytes frame;
    frame.reserve(n + 4);
    frame.push_back(kTypeRequest);
    frame.push_back(command);
    frame.push_back(static_cast<uint8_t>(n));
    frame.insert(frame.end(), data, data + n);
    frame.push_back(Checksum(frame.data(), frame.size()));
    return frame;
}

Bytes EmptyRequest(LampCommand command) { return *FrameRequest(Code(command), nullptr, 0); }

Report PlaceRequest(const uint8_t* request, std::size_t n) {
    Report report{};
    report[1] = 0x55;
    report[2] = 0xAA;
    const std::size_t room = kReportSize - 3;
    if (request != nullptr) std::copy_n(request, std::min(n, room), report.begin() + 3);
    return report;
}

ReplyCheck CheckReply(const Report& r) {
    if (r[0] != 0x00 || r[1] != 0x55 || r[2] != 0xAA || r[3] != kTypeReply)
        return ReplyCheck::BadHeader;
    const std::size_t n = r[5];
    if (n > kMaxFrameData) return ReplyCheck::BadLength;
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 6 + n; ++i) sum += r[i];
    return (sum & 0xFFu) == 0xFFu ? ReplyCheck::Ok : ReplyCheck::BadChecksum;
}

Bytes DataOf(const Report& r) {
    const std::size_t n = std::min<std::size_t>(r[5], kReportSize - 6);
    return Bytes(r.begin() + 6, r.begin() + 6 + static_cast<std::ptrdiff_t>(n));
}

bool IsBulkAck(const Report& r, uint8_t command) {
    // Exactly the acknowledgement frame, byte for byte (the rest of the report aside).
    const Report ack = MakeReply(command, &kAckByte, 1);
    return std::equal(ack.begin(), ack.begin() + 8, r.begin());
}

Report BulkReadRequest(uint8_t command) { return PlaceRequest(*FrameRequest(command, nullptr, 0)); }

Report MakeReply(uint8_t command, const uint8_t* data, std::size_t n) {
    n = std::min(n, kMaxFrameData);
    Report r{};
    r[1] = 0x55;
    r[2] = 0xAA;
    r[3] = kTypeReply;
    r[4] = command;
    r[5] = static_cast<uint8_t>(n);
    if (data != nullptr) std::copy_n(data, n, r.begin() + 6);
    r[6 + n] = Checksum(r.data() + 3, n + 3);
    return r;
}

}  // namespace korvane::LampFrame

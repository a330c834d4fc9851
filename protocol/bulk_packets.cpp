#include "protocol/bulk_packets.h"

#include <algorithm>

namespace korvane {

Bytes PacketFrame(uint8_t command, const uint8_t* image, std::size_t length, std::size_t i) {
    const std::size_t total = PacketCount(length);
    if (length > kMaxBulkImage || i < 1 || i > total || image == nullptr) return {};
    const std::size_t offset = kPacketPayload * (i - 1);
    const std::size_t payload = std::min(kPacketPayload, length - offset);
    Bytes data;
    data.reserve(kPacketHeader + payload);
    data.push_back(static_cast<uint8_t>(total >> 8));
    data.push_back(static_cast<uint8_t>(total & 0xFF));
    data.push_back(static_cast<uint8_t>(i >> 8));
    data.push_back(static_cast<uint8_t>(i & 0xFF));
    data.insert(data.end(), image + offset, image + offset + payload);
    return *LampFrame::FrameRequest(command, data);
}

namespace {
bool HeaderMatches(const Report& r, uint8_t command) {
    return r[0] == 0x00 && r[1] == 0x55 && r[2] == 0xAA && r[3] == LampFrame::kTypeReply &&
           r[4] == command;
}
}  // namespace

BulkReassembler::Status BulkReassembler::First(const Report& report) {
    total_ = 0;
    payload_.clear();
    if (!HeaderMatches(report, command_)) return Status::WrongHeader;
    // A length above kMaxFrameData would put the checksum outside the report; one below
    // kPacketHeader leaves no packet count to read. Both are data the host cannot have meant.
    const std::size_t n = report[5];
    if (n < kPacketHeader || n > kMaxFrameData) return Status::BadData;
    if (LampFrame::CheckReply(report) != LampFrame::ReplyCheck::Ok) return Status::BadData;
    total_ = static_cast<std::size_t>(report[6]) * 256u + report[7];
    payload_.reserve(total_ * kPacketPayload);
    const Status s = Append(report);
    return s == Status::Ok ? s : Status::BadData;
}

BulkReassembler::Status BulkReassembler::Next(const Report& report) {
    if (!HeaderMatches(report, command_)) return Status::WrongHeader;
    return Append(report);
}

BulkReassembler::Status BulkReassembler::Append(const Report& report) {
    const std::size_t n = report[5];
    if (n < kPacketHeader || n > kMaxFrameData) return Status::PacketError;
    const std::size_t count = n - kPacketHeader;
    if (payload_.size() + count > total_ * kPacketPayload) return Status::PacketError;
    payload_.insert(payload_.end(), report.begin() + 10,
                    report.begin() + 10 + static_cast<std::ptrdiff_t>(count));
    return Status::Ok;
}

}  // namespace korvane

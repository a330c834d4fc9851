// Reply validation and field access on any 65 bytes a host might send.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "protocol/lamp_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    Report r{};
    std::memcpy(r.data(), data, size < r.size() ? size : r.size());
    const auto check = LampFrame::CheckReply(r);
    const Bytes d = LampFrame::DataOf(r);
    if (d.size() > kReportSize - 6) __builtin_trap();
    if (check == LampFrame::ReplyCheck::Ok && r[5] > kMaxFrameData) __builtin_trap();
    (void)LampFrame::IsBulkAck(r, size > 0 ? data[0] : 0xD1);
    if (size > 1) {
        const auto frame = LampFrame::FrameRequest(data[0], data + 1, size - 1);
        if (frame && frame->size() != size - 1 + 4) __builtin_trap();
        if (frame) (void)LampFrame::PlaceRequest(*frame);
    }
    return 0;
}

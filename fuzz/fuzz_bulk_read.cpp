// Reassembly of a bulk-read sequence from an arbitrary series of reports.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "protocol/bulk_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    if (size < 1) return 0;
    BulkReassembler r(data[0]);
    ++data;
    --size;
    bool first = true;
    while (size > 0) {
        Report rep{};
        const size_t take = size < kReportSize ? size : kReportSize;
        std::memcpy(rep.data(), data, take);
        data += take;
        size -= take;
        const auto status = first ? r.First(rep) : r.Next(rep);
        if (r.payload().size() > r.total() * kPacketPayload) __builtin_trap();
        if (status != BulkReassembler::Status::Ok) break;
        first = false;
    }
    return 0;
}

// Read-back record lists through both decoders.
#include <cstddef>
#include <cstdint>

#include "protocol/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    for (const RecordList list : {RecordList::Basic, RecordList::AddressCodes}) {
        for (const Bytes& rec : ParseRecordList(data, size, list))
            if (rec.size() >= kRecordScratch) __builtin_trap();
    }
    (void)DecodeBasicParams(data, size);
    for (const AddressReadItem& item : DecodeAddressCodes(data, size)) {
        if (item.text.size() > 7) __builtin_trap();
        if (item.lampDuration > 65535 || item.soundDuration > 65535) __builtin_trap();
    }
    return 0;
}

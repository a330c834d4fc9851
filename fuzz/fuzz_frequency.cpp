// Frequency digits from a host, and the form's frequency text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/frequency.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    const float mhz = DigitsToMhz(data, size);
    (void)FormatMhz(mhz);
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto v = ParseMhzText(text)) {
        if (FrequencyInRange(*v)) {
            const Bytes req = SetFrequencyRequest(*v);
            if (req.size() != 13) __builtin_trap();  // 9 digits for 100..999 MHz
        }
    }
    return 0;
}

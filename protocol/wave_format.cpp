#include "protocol/wave_format.h"

#include <algorithm>
#include <cstring>

namespace korvane {

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::optional<double> WaveFormat::Seconds() const {
    if (!dataBytes || byteRate == 0) return std::nullopt;
    return static_cast<double>(*dataBytes) / byteRate;
}

WaveFormat ReadWaveFormat(const uint8_t* head, std::size_t n, uint64_t fileSize) {
    WaveFormat w;
    n = static_cast<std::size_t>(std::min<uint64_t>(n, fileSize));
    if (n < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return w;
    w.riffWave = true;
    // 64-bit offsets: a chunk size near 4 GiB cannot wrap the walk around.
    for (uint64_t pos = 12; pos + 8 <= n;) {
        const uint8_t* chunk = head + pos;
        const uint64_t size = Le32(chunk + 4);
        const uint64_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && body + 16 <= n) {
            const uint8_t* f = head + body;
            w.channels = Le16(f + 2);
            w.sampleRate = Le32(f + 4);
            w.byteRate = Le32(f + 8);
            w.bitsPerSample = Le16(f + 14);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            const uint64_t held = fileSize - std::min(fileSize, body);
            w.dataBytes = std::min(size, held);
            w.dataCutShort = size > held;
            break;
        }
        pos = body + size + (size & 1);  // chunks are padded to an even length
    }
    return w;
}

}  // namespace korvane

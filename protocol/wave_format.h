#pragma once
// What the header of a WAV file says about its sound, for an operator to
// check a folder before a download. The download itself never looks inside.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace korvane {

struct WaveFormat {
    bool riffWave = false;  // starts "RIFF", size, "WAVE"
    // From the "fmt " chunk, when it lies whole within the bytes given.
    std::optional<uint16_t> channels;
    std::optional<uint32_t> sampleRate;
    std::optional<uint16_t> bitsPerSample;
    uint32_t byteRate = 0;
    // From the "data" chunk: the bytes of sound the file really holds, and
    // whether its header promised more than that.
    std::optional<uint64_t> dataBytes;
    bool dataCutShort = false;

    // Seconds of sound, when the header says enough to tell.
    std::optional<double> Seconds() const;
};

// Reads the chunks of a RIFF/WAVE header from the first `n` bytes of a file
// of `fileSize` bytes. Sizes the header states are never trusted past what
// the file holds.
WaveFormat ReadWaveFormat(const uint8_t* head, std::size_t n, uint64_t fileSize);

}  // namespace korvane

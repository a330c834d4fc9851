// Sound image assembly from arbitrary names and sizes, parsing it back, and
// the WAVE header of a file an operator picked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/sound_image.h"
#include "protocol/wave_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    SoundImage image;
    size_t pos = 0;
    while (pos + 2 <= size) {
        const size_t nameLen = data[pos] % 48;
        const size_t fileLen = data[pos + 1];
        pos += 2;
        if (pos + nameLen > size) break;
        const std::string name(reinterpret_cast<const char*>(data + pos), nameLen);
        pos += nameLen;
        const std::vector<uint8_t> file(fileLen, static_cast<uint8_t>(nameLen));
        const std::string sound = SoundName(name);
        if (sound.size() > kSoundHeader) __builtin_trap();
        image.Add(name, file.data(), file.size());
    }
    if (!image.overLimit() && image.bytes().size() != image.imageLength()) __builtin_trap();
    const auto parsed = SoundImage::Parse(image.bytes().data(), image.bytes().size());
    if (!parsed || parsed->size() != image.entries()) __builtin_trap();
    (void)SoundImage::Parse(data, size);
    // A WAV header that lies about its sizes, in a file longer or shorter than it says.
    const WaveFormat wave = ReadWaveFormat(data, size, size > 0 ? size * data[0] : 0);
    if (wave.dataBytes && *wave.dataBytes > size * 255) __builtin_trap();
    (void)GbkToUtf8(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

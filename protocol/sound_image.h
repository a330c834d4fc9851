#pragma once
// The image of a sound download: one entry per WAV file, back to back.
// Entry: name (8 bytes, 0xFF after it), length (u32 little-endian at 8),
// 20 bytes 0xFF, then the file's bytes unchanged.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/codepage.h"  // Utf8ToGbk, GbkToUtf8 for the names
#include "protocol/lamp_frame.h"

namespace korvane {

inline constexpr std::size_t kSoundHeader = 32;
inline constexpr std::size_t kSoundAudioLimit = 3145728;  // 3 x 1024 x 1024
inline constexpr std::size_t kSoundWorkBuffer = 5242880;  // 0x500000

// The sound name of a file name given in GBK bytes: ASCII A-Z lower-cased,
// then every ".wav" removed scanning left to right.
std::string UncutSoundName(const std::string& gbkFileName);
// The same, with a name longer than an entry header (kSoundHeader bytes) cut
// to it on a character boundary, so it never reaches the file bytes.
std::string SoundName(const std::string& gbkFileName);

using SoundHeader = std::array<uint8_t, kSoundHeader>;
// The kSoundHeader bytes in front of a file's bytes: the name written whole, then the
// length over bytes 8 to 11, 0xFF wherever neither reaches.
SoundHeader EncodeSoundHeader(const std::string& gbkName, std::size_t length);
// An entry header's 8-byte name field, up to its first 0xFF: the sound
// name the host sees.
std::string SoundNameField(const uint8_t* header);
inline std::string SoundNameField(const SoundHeader& header) {
    return SoundNameField(header.data());
}
// One entry's bytes for a given sound name (GBK) and file content.
Bytes EncodeSoundEntry(const std::string& gbkName, const uint8_t* data, std::size_t length);

struct SoundEntry {
    std::string name;  // the name field up to its first 0xFF (at most 8 bytes)
    uint32_t length = 0;
};

// Builds a SoundImage entry by entry and keeps the totals the limits need.
class SoundImage {
  public:
    // Appends the entry of a file. Once the audio total has passed the limit
    // the image is no longer stored (its fate is sealed) but the totals go on.
    void Add(const std::string& gbkFileName, const uint8_t* data, std::size_t length);

    std::size_t audioTotal() const { return audioTotal_; }
    std::size_t entries() const { return entries_; }
    std::size_t imageLength() const { return audioTotal_ + kSoundHeader * entries_; }
    bool overLimit() const { return audioTotal_ > kSoundAudioLimit; }
    const Bytes& bytes() const { return bytes_; }

    // Splits a received image into its entries; nullopt when it does not parse
    // (an entry header cut short or a length running past the end).
    static std::optional<std::vector<SoundEntry>> Parse(const uint8_t* data, std::size_t n);

  private:
    Bytes bytes_;
    std::size_t audioTotal_ = 0;
    std::size_t entries_ = 0;
};

}  // namespace korvane

#include "protocol/sound_image.h"

#include <algorithm>

namespace korvane {

namespace {

// Length of the GBK character that starts at byte b (1 or 2).
std::size_t GbkCharLength(unsigned char b) { return b >= 0x81 && b <= 0xFE ? 2 : 1; }

}  // namespace

std::string UncutSoundName(const std::string& gbkFileName) {
    // Lower-case ASCII letters only; the second byte of a double-byte character
    // can be an ASCII letter and must stay as it is.
    std::string lowered;
    lowered.reserve(gbkFileName.size());
    for (std::size_t i = 0; i < gbkFileName.size();) {
        const auto b = static_cast<unsigned char>(gbkFileName[i]);
        const std::size_t len = std::min(GbkCharLength(b), gbkFileName.size() - i);
        if (len == 1 && b >= 'A' && b <= 'Z')
            lowered.push_back(static_cast<char>(b + ('a' - 'A')));
        else
            lowered.append(gbkFileName, i, len);
        i += len;
    }
    std::string name;
    name.reserve(lowered.size());
    for (std::size_t i = 0; i < lowered.size();) {
        if (lowered.compare(i, 4, ".wav") == 0) {
            i += 4;
            continue;
        }
        const auto b = static_cast<unsigned char>(lowered[i]);
        const std::size_t len = std::min(GbkCharLength(b), lowered.size() - i);
        name.append(lowered, i, len);
        i += len;
    }
    return name;
}

std::string SoundName(const std::string& gbkFileName) {
    std::string name = UncutSoundName(gbkFileName);
    // A name longer than the entry header would run into the sound's bytes.
    if (name.size() > kSoundHeader) {
        std::size_t keep = 0;
        while (keep < name.size()) {
            const std::size_t len = GbkCharLength(static_cast<unsigned char>(name[keep]));
            if (keep + len > kSoundHeader) break;
            keep += len;
        }
        name.resize(keep);
    }
    return name;
}

SoundHeader EncodeSoundHeader(const std::string& gbkName, std::size_t length) {
    SoundHeader header;
    header.fill(0xFF);
    const std::size_t nameBytes = std::min(gbkName.size(), kSoundHeader);
    std::copy_n(gbkName.begin(), nameBytes, header.begin());
    // The length goes in after the name, as the host reads it at offset 8.
    const auto len32 = static_cast<uint32_t>(length);
    header[8] = static_cast<uint8_t>(len32 & 0xFF);
    header[9] = static_cast<uint8_t>((len32 >> 8) & 0xFF);
    header[10] = static_cast<uint8_t>((len32 >> 16) & 0xFF);
    header[11] = static_cast<uint8_t>((len32 >> 24) & 0xFF);
    return header;
}

Bytes EncodeSoundEntry(const std::string& gbkName, const uint8_t* data, std::size_t length) {
    const SoundHeader header = EncodeSoundHeader(gbkName, length);
    Bytes entry(header.begin(), header.end());
    entry.resize(kSoundHeader + length, 0xFF);
    if (length > 0 && data != nullptr) std::copy_n(data, length, entry.begin() + kSoundHeader);
    return entry;
}

void SoundImage::Add(const std::string& gbkFileName, const uint8_t* data, std::size_t length) {
    audioTotal_ += length;
    ++entries_;
    if (overLimit()) {
        // The download is refused anyway; keep no more than the bound allows.
        bytes_.clear();
        bytes_.shrink_to_fit();
        return;
    }
    const Bytes entry = EncodeSoundEntry(SoundName(gbkFileName), data, length);
    bytes_.insert(bytes_.end(), entry.begin(), entry.end());
}

std::string SoundNameField(const uint8_t* header) {
    const uint8_t* end = std::find(header, header + 8, 0xFF);
    return std::string(reinterpret_cast<const char*>(header), end - header);
}

std::optional<std::vector<SoundEntry>> SoundImage::Parse(const uint8_t* data, std::size_t n) {
    std::vector<SoundEntry> entries;
    std::size_t pos = 0;
    while (pos < n) {
        if (n - pos < kSoundHeader) return std::nullopt;
        const uint8_t* h = data + pos;
        SoundEntry e;
        e.name = SoundNameField(h);
        e.length = static_cast<uint32_t>(h[8]) | static_cast<uint32_t>(h[9]) << 8 |
                   static_cast<uint32_t>(h[10]) << 16 | static_cast<uint32_t>(h[11]) << 24;
        pos += kSoundHeader;
        if (e.length > n - pos) return std::nullopt;
        pos += e.length;
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace korvane

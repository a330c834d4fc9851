#pragma once
// A sound download as the host would get it, worked out from a folder
// without sending anything: the same listing, names and limits as the
// download, with what each file's header says. The files are only read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "operations/voice_ops.h"
#include "protocol/sound_image.h"
#include "protocol/wave_format.h"

namespace korvane::ops {

struct PlannedSound {
    std::string file;      // the file's name (UTF-8)
    std::string gbkName;   // the sound name before the entry's header cuts it
    SoundHeader header{};  // the entry's header as the image holds it
    std::uint64_t bytes = 0;
    WaveFormat wave;
};

struct SoundPlan {
    std::vector<PlannedSound> sounds;  // in the order they would be sent
    std::uint64_t audioTotal = 0;
    std::uint64_t imageLength = 0;  // audio total + one entry header per entry
    std::uint64_t packets = 0;
    std::int64_t pacingMs = 0;  // the pauses a send of that many packets takes at least
    // The message the download would be refused with; empty when it goes ahead.
    std::string refusal;
    // Files whose name fields come out equal, each group in sending order.
    std::vector<std::vector<std::size_t>> sameNames;
};

SoundPlan PlanSoundFolder(const std::string& folder);

}  // namespace korvane::ops

#include "operations/voice_plan.h"

#include <algorithm>
#include <map>

#include "operations/operator_file.h"
#include "protocol/bulk_packets.h"
#include "protocol/bulk_transfer.h"

namespace korvane::ops {

namespace {

// The chunks ahead of a WAV file's sound fit in far less.
constexpr std::size_t kHeaderBytesRead = 65536;

}  // namespace

SoundPlan PlanSoundFolder(const std::string& folder) {
    SoundPlan plan;
    const SoundListing listing = ListSoundFolder(folder);
    if (!listing.error.empty()) {
        plan.refusal = listing.error;
        return plan;
    }
    std::map<std::string, std::vector<std::size_t>> byField;
    for (const SoundFile& listed : listing.files) {
        OperatorFile file(listed.path);
        if (!file.ok()) {
            plan.refusal = UnreadableSoundText(listed);
            return plan;
        }
        PlannedSound sound;
        sound.file = listed.name;
        sound.gbkName = UncutSoundName(listed.gbkName);
        sound.bytes = file.size();
        sound.header =
            EncodeSoundHeader(SoundName(listed.gbkName), static_cast<std::size_t>(sound.bytes));
        std::vector<std::uint8_t> head(
            static_cast<std::size_t>(std::min<std::uint64_t>(sound.bytes, kHeaderBytesRead)));
        if (!file.ReadAll(head.data(), head.size())) {
            plan.refusal = UnreadableSoundText(listed);
            return plan;
        }
        sound.wave = ReadWaveFormat(head.data(), head.size(), sound.bytes);
        plan.audioTotal += sound.bytes;
        byField[SoundNameField(sound.header)].push_back(plan.sounds.size());
        plan.sounds.push_back(std::move(sound));
    }
    for (auto& [field, indexes] : byField)
        if (indexes.size() > 1) plan.sameNames.push_back(indexes);
    std::sort(plan.sameNames.begin(), plan.sameNames.end());
    plan.imageLength = plan.audioTotal + kSoundHeader * plan.sounds.size();
    plan.packets = PacketCount(static_cast<std::size_t>(plan.imageLength));
    plan.pacingMs =
        BulkSendPausesMs(Code(LampCommand::DownloadVoice), static_cast<std::size_t>(plan.packets));
    if (const char* refusal = SoundImageRefusal(plan.audioTotal, plan.sounds.size()))
        plan.refusal = refusal;
    return plan;
}

}  // namespace korvane::ops

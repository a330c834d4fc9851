// voice download custom|fixed FOLDER, voice format custom|fixed.
#include <optional>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "operations/voice_ops.h"

namespace korvane::cli {

namespace {

// The area word after "voice download" or "voice format"; nullopt when it names none.
std::optional<ops::SoundArea> Area(const std::string& word) {
    if (word == "custom") return ops::SoundArea::Custom;
    if (word == "fixed") return ops::SoundArea::Fixed;
    return std::nullopt;
}

}  // namespace

int RunVoiceDownload(Runner& r) {
    const std::optional<ops::SoundArea> area = Area(r.Arg(2));
    if (!area) return r.Usage(GroupUsage("voice"));
    r.op().password = r.options().password;
    r.op().folder = r.Arg(3);
    return ops::DownloadVoice(r.context(), *area) ? kExitOk : kExitFailed;
}

int RunVoiceFormat(Runner& r) {
    const std::optional<ops::SoundArea> area = Area(r.Arg(2));
    if (!area) return r.Usage(GroupUsage("voice"));
    r.op().password = r.options().password;
    if (ops::FormatVoiceArea(r.context(), *area)) return kExitOk;
    if (r.Interrupted())
        r.out().Error("interrupted: the host may still be formatting the sound area");
    return kExitFailed;
}

}  // namespace korvane::cli

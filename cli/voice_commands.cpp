// voice download custom|fixed FOLDER, voice format custom|fixed.
#include "cli/commands.h"
#include "operations/voice_ops.h"

namespace korvane::cli {

int RunVoiceCommand(Runner& r) {
    const std::string sub = r.Arg(1);
    const std::string area = r.Arg(2);
    if (area != "custom" && area != "fixed") return r.Usage("voice download|format custom|fixed");
    const ops::SoundArea which = area == "custom" ? ops::SoundArea::Custom : ops::SoundArea::Fixed;
    r.op().password = r.options().password;
    if (sub == "download" && r.ArgCount() == 4) {
        r.op().folder = r.Arg(3);
        return ops::DownloadVoice(r.context(), which) ? kExitOk : kExitFailed;
    }
    if (sub == "format" && r.ArgCount() == 3) {
        if (ops::FormatVoiceArea(r.context(), which)) return kExitOk;
        if (r.Interrupted())
            r.out().Error("interrupted: the host may still be formatting the sound area");
        return kExitFailed;
    }
    return r.Usage("voice download custom|fixed FOLDER | voice format custom|fixed");
}

}  // namespace korvane::cli

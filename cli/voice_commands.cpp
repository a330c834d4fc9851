// voice download [--plan] custom|fixed FOLDER, voice format custom|fixed, voice plan FOLDER.
#include <optional>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "operations/voice_ops.h"
#include "operations/voice_plan.h"

namespace korvane::cli {

namespace {

// The area word after "voice download" or "voice format"; nullopt when it names none.
std::optional<ops::SoundArea> Area(const std::string& word) {
    if (word == "custom") return ops::SoundArea::Custom;
    if (word == "fixed") return ops::SoundArea::Fixed;
    return std::nullopt;
}

const std::vector<Option<bool>>& VoiceDownloadTable() {
    static const std::vector<Option<bool>> table = {
        {{"--plan", nullptr, "show the plan of the download first", OptionDoc::Form::Flag},
         [](bool& plan, const std::string&, std::string*) {
             plan = true;
             return true;
         }},
    };
    return table;
}

}  // namespace

std::vector<OptionDoc> VoiceDownloadOptions() { return Docs(VoiceDownloadTable()); }

int RunVoiceDownload(Runner& r) {
    // The area and the folder, with --plan before, between or after them.
    std::vector<std::string> args;
    bool plan = false;
    for (std::size_t i = 2; i < r.ArgCount(); ++i) {
        const std::vector<std::string> one = {r.Arg(i)};
        std::size_t at = 0;
        if (one[0].rfind("--", 0) != 0) {
            args.push_back(one[0]);
        } else if (std::string why;
                   !ParseOptions(VoiceDownloadTable(), one, at, plan, false, &why)) {
            return r.Usage(why);
        }
    }
    const std::optional<ops::SoundArea> area =
        args.size() == 2 ? Area(args[0]) : std::optional<ops::SoundArea>();
    if (!area) return r.Usage(GroupUsage("voice"));
    r.op().password = r.options().password;
    r.op().folder = args[1];
    if (plan) r.out().Plan(args[1], ops::PlanSoundFolder(args[1]));
    return r.RunAndRecord([&] { return ops::DownloadVoice(r.context(), *area); }) ? kExitOk
                                                                                  : kExitFailed;
}

int RunVoicePlan(Runner& r) {
    const ops::SoundPlan plan = ops::PlanSoundFolder(r.Arg(2));
    r.out().Plan(r.Arg(2), plan);
    return plan.refusal.empty() ? kExitOk : kExitUsage;
}

int RunVoiceFormat(Runner& r) {
    const std::optional<ops::SoundArea> area = Area(r.Arg(2));
    if (!area) return r.Usage(GroupUsage("voice"));
    r.op().password = r.options().password;
    if (r.RunAndRecord([&] { return ops::FormatVoiceArea(r.context(), *area); })) return kExitOk;
    if (r.Interrupted())
        r.out().Error("interrupted: the host may still be formatting the sound area");
    return kExitFailed;
}

}  // namespace korvane::cli

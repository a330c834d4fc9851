// dump [FILE], apply FILE: a host's parameters as a JSON profile and back.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "cli/profile.h"
#include "common/texts.h"
#include "operations/param_ops.h"
#include "operations/system_ops.h"
#include "protocol/form_values.h"

namespace korvane::cli {

namespace {

bool ReadFile(const std::string& path, std::string& out) {
    // UTF-8 paths: a narrow name would go through the ANSI code page on Windows.
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

}  // namespace

int RunDump(Runner& r) {
    const std::optional<LampModel> found = r.ModelOfHost();
    if (!found) {
        r.out().Message(texts::kNotConnected);
        return kExitFailed;
    }
    Profile p;
    p.model = *found;
    const auto f = ops::ReadFrequency(r.context());
    if (!f) return kExitFailed;
    p.frequency = *f;
    // What the host did not send keeps the window's default.
    if (p.model == LampModel::Rt220) {
        const auto read = ops::ReadBasicParams(r.context());
        if (!read) return kExitFailed;
        p.basic = DefaultBasicParams();
        ApplyReadBack(p.basic, read->values);
    } else {
        const auto items = ops::ReadAddressCodes(r.context());
        if (!items) return kExitFailed;
        p.address = DefaultAddressCodes();
        ApplyReadBack(p.address, *items);
    }
    const std::string json = ProfileToJson(p);
    if (r.ArgCount() >= 2) {
        const std::string file = r.Arg(1);
        std::ofstream out(std::filesystem::u8path(file), std::ios::binary | std::ios::trunc);
        if (!out || !(out << json)) {
            r.out().Error("cannot write " + file);
            return kExitFailed;
        }
    } else {
        r.out().Profile(json);
    }
    return kExitOk;
}

int RunApply(Runner& r) {
    const std::string file = r.Arg(1);
    std::string text;
    if (!ReadFile(file, text)) return r.Usage("cannot read " + file);
    Profile p;
    std::string why;
    if (!ProfileFromJson(text, p, &why)) return r.Usage(file + ": " + why);
    if (!ValidateProfile(p, &why)) return r.Usage(file + ": " + why + " (nothing was sent)");
    const std::optional<LampModel> found = r.ModelOfHost();
    if (!found) {
        r.out().Message(texts::kNotConnected);
        return kExitFailed;
    }
    if (*found != p.model)
        return r.Usage(file + ": the profile is for another lamp model than the host's");
    // One line of the record for the whole profile.
    const bool ok = r.RunAndRecord(
        [&] {
            if (p.frequency && !ops::SetFrequency(r.context(), *p.frequency)) return false;
            // A Ctrl-C taken while the frequency was set is meant for the
            // whole profile; the next step would start without it.
            if (r.Interrupted()) {
                r.out().Error("interrupted: the parameters were not sent");
                return false;
            }
            return p.model == LampModel::Rt220 ? ops::SetBasicParams(r.context(), p.basic)
                                               : ops::SetAddressCodes(r.context(), p.address);
        },
        "apply");
    return ok ? kExitOk : kExitFailed;
}

}  // namespace korvane::cli

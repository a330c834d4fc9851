// basic get|set (RT-220), address get|set (RT-221).
#include <sstream>

#include "cli/commands.h"
#include "cli/profile.h"
#include "operations/param_ops.h"
#include "protocol/form_values.h"

namespace korvane::cli {

std::string ParseBasicSet(const std::vector<std::string>& args, BasicParamValues& v) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return args[i] + " needs a value";
        const std::string& key = args[i];
        const std::string& val = args[i + 1];
        if (key == "--alarm-time") {
            v.alarmTimeText = val;
        } else if (key == "--volume") {
            const std::optional<int> index = EntryIndex(VolumeEntries(), val);
            if (!index) return "--volume must be 1..8";
            v.volumeIndex = *index;
        } else if (key == "--channel") {
            const std::optional<int> index = EntryIndex(ChannelEntries(), val);
            if (!index) return "--channel must be 0..9";
            v.channelIndex = *index;
        } else if (key == "--comm-password") {
            // Its length is judged as the window judges it: four bytes for the host.
            v.password = TypedPassword(val);
        } else {
            return "unknown option " + key;
        }
    }
    return {};
}

std::string ParseGroupOption(const std::string& text, AddressCodeValues& v) {
    std::vector<std::string> f;
    std::stringstream ss(text);
    for (std::string part; std::getline(ss, part, ':');) f.push_back(part);
    if (!text.empty() && text.back() == ':') f.emplace_back();
    if (f.size() != 2 && f.size() != 7)
        return "--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]";
    const int k = TextToInt(f[0]);
    if (k < 1 || k > 3) return "--group: K must be 1..3";
    AddressGroupValues& g = v.groups[k - 1];
    g.inEffect = true;
    g.address = f[1];
    if (f.size() == 7) {
        g.colorIndex = ColorIndex(f[2]);
        g.effectIndex = EffectIndex(f[3]);
        if (g.colorIndex < 0) return "--group: COLOR is red, yellow or green";
        if (g.effectIndex < 0) return "--group: EFFECT is flashing or steady";
        g.lampDuration = f[4];
        g.soundEffect = f[5];
        g.soundDuration = f[6];
    }
    return {};
}

std::string ParseAddressSet(const std::vector<std::string>& args, AddressCodeValues& v) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return args[i] + " needs a value";
        const std::string& key = args[i];
        const std::string& val = args[i + 1];
        if (key == "--volume") {
            v.volumeInEffect = true;
            v.volume = val;
        } else if (key == "--alarm-off") {
            v.alarmOffInEffect = true;
            v.alarmOffAddress = val;
        } else if (key == "--group") {
            if (std::string why = ParseGroupOption(val, v); !why.empty()) return why;
        } else {
            return "unknown option " + key;
        }
    }
    if (!v.volumeInEffect && !v.alarmOffInEffect && !v.groups[0].inEffect &&
        !v.groups[1].inEffect && !v.groups[2].inEffect)
        return "address set: give at least one of --volume, --group, --alarm-off";
    return {};
}

namespace {

std::vector<std::string> ArgsFrom(const Runner& r, std::size_t first) {
    std::vector<std::string> args;
    for (std::size_t i = first; i < r.ArgCount(); ++i) args.push_back(r.Arg(i));
    return args;
}

}  // namespace

int RunBasicGet(Runner& r) {
    const auto read = ops::ReadBasicParams(r.context());
    if (!read) return kExitFailed;
    r.out().Basic(read->values);
    return kExitOk;
}

int RunBasicSet(Runner& r) {
    BasicParamValues v = DefaultBasicParams();
    if (const std::string why = ParseBasicSet(ArgsFrom(r, 2), v); !why.empty()) return r.Usage(why);
    // The operation shows the window's text for a refused value and sends nothing.
    const bool valid = BasicParamRecords(v).error == BasicParamError::None;
    if (r.Changing([&] { return ops::SetBasicParams(r.context(), v); })) return kExitOk;
    return valid ? kExitFailed : kExitUsage;
}

int RunAddressGet(Runner& r) {
    const auto items = ops::ReadAddressCodes(r.context());
    if (!items) return kExitFailed;
    r.out().Address(*items);
    return kExitOk;
}

int RunAddressSet(Runner& r) {
    AddressCodeValues v = DefaultAddressCodes();
    if (const std::string why = ParseAddressSet(ArgsFrom(r, 2), v); !why.empty())
        return r.Usage(why);
    const bool valid = AddressCodeRecords(v).error == AddressCodeError::None;
    if (r.Changing([&] { return ops::SetAddressCodes(r.context(), v); })) return kExitOk;
    return valid ? kExitFailed : kExitUsage;
}

}  // namespace korvane::cli

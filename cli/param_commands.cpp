// basic get|set (RT-220), address get|set (RT-221).
#include <sstream>

#include "cli/commands.h"
#include "cli/profile.h"
#include "operations/param_ops.h"
#include "protocol/form_values.h"

namespace korvane::cli {

namespace {

using Form = OptionDoc::Form;

const std::vector<Option<BasicParamValues>>& BasicSetTable() {
    static const std::vector<Option<BasicParamValues>> table = {
        {{"--alarm-time", "T", "the speaker's alarm time, 0..65535 or \"一直响\" (10)",
          Form::Value},
         [](BasicParamValues& v, const std::string& val) {
             v.alarmTimeText = val;
             return std::string();
         }},
        {{"--volume", "1..8", "the speaker's volume (1)", Form::Value},
         [](BasicParamValues& v, const std::string& val) {
             const std::optional<int> index = EntryIndex(VolumeEntries(), val);
             v.volumeIndex = index.value_or(v.volumeIndex);
             return index ? std::string() : std::string("--volume must be 1..8");
         }},
        {{"--channel", "0..9", "the channel (0)", Form::Value},
         [](BasicParamValues& v, const std::string& val) {
             const std::optional<int> index = EntryIndex(ChannelEntries(), val);
             v.channelIndex = index.value_or(v.channelIndex);
             return index ? std::string() : std::string("--channel must be 0..9");
         }},
        {{"--comm-password", "XXXX", "the communication password, four bytes for the host (QKMR)",
          Form::Value},
         [](BasicParamValues& v, const std::string& val) {
             // Its length is judged as the window judges it: four bytes for the host.
             v.password = TypedPassword(val);
             return std::string();
         }},
    };
    return table;
}

const std::vector<Option<AddressCodeValues>>& AddressSetTable() {
    static const std::vector<Option<AddressCodeValues>> table = {
        {{"--volume", "N", "the speaker's volume", Form::Value},
         [](AddressCodeValues& v, const std::string& val) {
             v.volumeInEffect = true;
             v.volume = val;
             return std::string();
         }},
        {{"--group", "K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]",
          "address-code group K (1..3); COLOR red|yellow|green, EFFECT\n"
          "flashing|steady; an empty ADDRESS sends the group without an address",
          Form::Value, false, true, true},
         [](AddressCodeValues& v, const std::string& val) { return ParseGroupOption(val, v); }},
        {{"--alarm-off", "ADDRESS", "the alarm-off address", Form::Value},
         [](AddressCodeValues& v, const std::string& val) {
             v.alarmOffInEffect = true;
             v.alarmOffAddress = val;
             return std::string();
         }},
    };
    return table;
}

}  // namespace

std::vector<OptionDoc> BasicSetOptions() { return Docs(BasicSetTable()); }
std::vector<OptionDoc> AddressSetOptions() { return Docs(AddressSetTable()); }

std::string ParseBasicSet(const std::vector<std::string>& args, BasicParamValues& v) {
    std::size_t i = 0;
    return ParseOptions(BasicSetTable(), args, i, v, false);
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
        const std::optional<int> color = ColorIndex(f[2]);
        const std::optional<int> effect = EffectIndex(f[3]);
        if (!color) return "--group: COLOR is red, yellow or green";
        if (!effect) return "--group: EFFECT is flashing or steady";
        g.colorIndex = *color;
        g.effectIndex = *effect;
        g.lampDuration = f[4];
        g.soundEffect = f[5];
        g.soundDuration = f[6];
    }
    return {};
}

std::string ParseAddressSet(const std::vector<std::string>& args, AddressCodeValues& v) {
    std::size_t i = 0;
    if (std::string why = ParseOptions(AddressSetTable(), args, i, v, false); !why.empty())
        return why;
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

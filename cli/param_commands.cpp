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
         [](BasicParamValues& v, const std::string& val, std::string*) {
             v.alarmTimeText = val;
             return true;
         }},
        {{"--volume", "1..8", "the speaker's volume (1)", Form::Value},
         [](BasicParamValues& v, const std::string& val, std::string* why) {
             const std::optional<int> index = EntryIndex(VolumeEntries(), val);
             v.volumeIndex = index.value_or(v.volumeIndex);
             return Require(index.has_value(), "--volume must be 1..8", why);
         }},
        {{"--channel", "0..9", "the channel (0)", Form::Value},
         [](BasicParamValues& v, const std::string& val, std::string* why) {
             const std::optional<int> index = EntryIndex(ChannelEntries(), val);
             v.channelIndex = index.value_or(v.channelIndex);
             return Require(index.has_value(), "--channel must be 0..9", why);
         }},
        {{"--comm-password", "XXXX", "the communication password, four bytes for the host (QKMR)",
          Form::Value},
         [](BasicParamValues& v, const std::string& val, std::string*) {
             // Its length is judged as the window judges it: four bytes for the host.
             v.password = TypedPassword(val);
             return true;
         }},
    };
    return table;
}

const std::vector<Option<AddressCodeValues>>& AddressSetTable() {
    static const std::vector<Option<AddressCodeValues>> table = {
        {{"--volume", "N", "the speaker's volume", Form::Value},
         [](AddressCodeValues& v, const std::string& val, std::string*) {
             v.volumeInEffect = true;
             v.volume = val;
             return true;
         }},
        {{"--group", "K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]",
          "address-code group K (1..3); COLOR red|yellow|green, EFFECT\n"
          "flashing|steady; an empty ADDRESS sends the group without an address",
          Form::Value, false, true, true},
         [](AddressCodeValues& v, const std::string& val, std::string* why) {
             return ParseGroupOption(val, v, why);
         }},
        {{"--alarm-off", "ADDRESS", "the alarm-off address", Form::Value},
         [](AddressCodeValues& v, const std::string& val, std::string*) {
             v.alarmOffInEffect = true;
             v.alarmOffAddress = val;
             return true;
         }},
    };
    return table;
}

}  // namespace

std::vector<OptionDoc> BasicSetOptions() { return Docs(BasicSetTable()); }
std::vector<OptionDoc> AddressSetOptions() { return Docs(AddressSetTable()); }

bool ParseBasicSet(const std::vector<std::string>& args, BasicParamValues& v, std::string* why) {
    std::size_t i = 0;
    return ParseOptions(BasicSetTable(), args, i, v, false, why);
}

bool ParseGroupOption(const std::string& text, AddressCodeValues& v, std::string* why) {
    std::vector<std::string> f;
    std::stringstream ss(text);
    for (std::string part; std::getline(ss, part, ':');) f.push_back(part);
    if (!text.empty() && text.back() == ':') f.emplace_back();
    if (f.size() != 2 && f.size() != 7)
        return Fail("--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]", why);
    const int k = TextToInt(f[0]);
    if (k < 1 || k > 3) return Fail("--group: K must be 1..3", why);
    AddressGroupValues& g = v.groups[k - 1];
    g.inEffect = true;
    g.address = f[1];
    if (f.size() == 7) {
        const std::optional<int> color = ColorIndex(f[2]);
        const std::optional<int> effect = EffectIndex(f[3]);
        if (!color) return Fail("--group: COLOR is red, yellow or green", why);
        if (!effect) return Fail("--group: EFFECT is flashing or steady", why);
        g.colorIndex = *color;
        g.effectIndex = *effect;
        g.lampDuration = f[4];
        g.soundEffect = f[5];
        g.soundDuration = f[6];
    }
    return true;
}

bool ParseAddressSet(const std::vector<std::string>& args, AddressCodeValues& v, std::string* why) {
    std::size_t i = 0;
    if (!ParseOptions(AddressSetTable(), args, i, v, false, why)) return false;
    return Require(v.volumeInEffect || v.alarmOffInEffect || v.groups[0].inEffect ||
                       v.groups[1].inEffect || v.groups[2].inEffect,
                   "address set: give at least one of --volume, --group, --alarm-off", why);
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
    if (std::string why; !ParseBasicSet(ArgsFrom(r, 2), v, &why)) return r.Usage(why);
    // The operation shows the window's text for a refused value and sends nothing.
    const bool valid = BasicParamRecords(v).error == BasicParamError::None;
    if (r.RunAndRecord([&] { return ops::SetBasicParams(r.context(), v); })) return kExitOk;
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
    if (std::string why; !ParseAddressSet(ArgsFrom(r, 2), v, &why)) return r.Usage(why);
    const bool valid = AddressCodeRecords(v).error == AddressCodeError::None;
    if (r.RunAndRecord([&] { return ops::SetAddressCodes(r.context(), v); })) return kExitOk;
    return valid ? kExitFailed : kExitUsage;
}

}  // namespace korvane::cli

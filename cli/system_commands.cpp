// list, init, version, frequency get|set, upgrade.
#include "cli/commands.h"
#include "operations/operator_file.h"
#include "operations/system_ops.h"
#include "protocol/frequency.h"

namespace korvane::cli {

int RunList(Runner& r) {
    std::vector<HostEntry> hosts;
    for (const HidDeviceInfo& d : r.session().backend().Enumerate()) {
        const std::optional<LampModel> found = ModelOfDevice(d.vendor, d.product);
        if (found)
            hosts.push_back(HostEntry{d.path, d.vendor, d.product, *found, d.serial, d.port});
    }
    r.out().Hosts(hosts);
    // Standard output stays empty for scripts; the person at the terminal is told.
    if (hosts.empty()) r.out().Error("no host found");
    return kExitOk;
}

int RunInit(Runner& r) {
    return r.RunAndRecord([&] { return ops::InitDevice(r.context()); }) ? kExitOk : kExitFailed;
}

int RunVersion(Runner& r) {
    const auto v = ops::ReadVersion(r.context());
    if (!v) return kExitFailed;
    r.out().FirmwareVersion(*v);
    return kExitOk;
}

int RunFrequencyGet(Runner& r) {
    const auto f = ops::ReadFrequency(r.context());
    if (!f) return kExitFailed;
    r.out().Frequency(*f);
    return kExitOk;
}

int RunFrequencySet(Runner& r) {
    const std::string text = r.Arg(2);
    const auto f = ParseMhzText(text);
    if (!f) return r.Usage("'" + text + "' is not a number");
    if (!FrequencyInRange(*f)) return r.Usage("the frequency must lie in 100..999 MHz");
    return r.RunAndRecord([&] { return ops::SetFrequency(r.context(), *f); }) ? kExitOk
                                                                              : kExitFailed;
}

int RunUpgrade(Runner& r) {
    const std::string file = r.Arg(1);
    // The window's file chooser only offers files that exist; a typed path may not.
    if (!ops::OperatorFile(file).ok()) return r.Usage("cannot read the image file " + file);
    r.op().file = file;
    if (r.RunAndRecord([&] { return ops::UpgradeFirmware(r.context()); })) return kExitOk;
    const ops::OperatorFile image(file);
    const bool tooLarge = image.ok() && image.size() > ops::kMaxFirmwareImage;
    return tooLarge ? kExitUsage : kExitFailed;
}

}  // namespace korvane::cli

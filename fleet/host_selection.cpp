#include "fleet/host_selection.h"

#include <algorithm>

#include "hid/host_choice.h"

namespace korvane::fleet {

namespace {

// How many of the devices tell this value in this field.
std::size_t Sharing(const std::vector<HidDeviceInfo>& hosts, std::string HidDeviceInfo::*field,
                    const std::string& value) {
    return static_cast<std::size_t>(std::count_if(
        hosts.begin(), hosts.end(), [&](const HidDeviceInfo& d) { return d.*field == value; }));
}

}  // namespace

std::string FleetHost::Label() const {
    if (!device.port.empty()) return device.port;
    if (!device.serial.empty()) return device.serial;
    return device.path;
}

std::vector<FleetHost> AttachedHosts(const std::vector<HidDeviceInfo>& devices) {
    std::vector<HidDeviceInfo> hosts;
    for (const HidDeviceInfo& d : devices)
        if (ModelOfDevice(d.vendor, d.product) && !d.path.empty()) hosts.push_back(d);
    std::vector<FleetHost> out;
    for (const HidDeviceInfo& d : hosts) {
        FleetHost h{d, *ModelOfDevice(d.vendor, d.product), {}};
        // Two hosts of one batch may carry the same serial number.
        if (!d.serial.empty() && Sharing(hosts, &HidDeviceInfo::serial, d.serial) == 1)
            h.form = HostChoice{HostChoice::By::Serial, d.serial}.Form();
        else if (!d.port.empty() && Sharing(hosts, &HidDeviceInfo::port, d.port) == 1)
            h.form = HostChoice{HostChoice::By::Port, d.port}.Form();
        else
            h.form = d.path;
        out.push_back(std::move(h));
    }
    return out;
}

Selection SelectHosts(const std::vector<FleetHost>& attached, const std::vector<std::string>& forms,
                      std::optional<LampModel> commandModel) {
    Selection s;
    std::vector<bool> taken(attached.size(), false);
    std::vector<bool> skipped(attached.size(), false);
    for (const std::string& form : forms) {
        const bool all = form == "all";
        const HostChoice choice = HostChoice::Parse(form);
        bool matched = false;
        for (std::size_t i = 0; i < attached.size(); ++i) {
            if (!all && !choice.Matches(attached[i].device)) continue;
            matched = true;
            if (all && commandModel && attached[i].model != *commandModel) {
                skipped[i] = true;
                continue;
            }
            taken[i] = true;
        }
        if (!matched) s.unmatched.push_back(form);
    }
    for (std::size_t i = 0; i < attached.size(); ++i) {
        if (taken[i])
            s.chosen.push_back(attached[i]);
        else if (skipped[i])
            s.skipped.push_back(attached[i]);
    }
    return s;
}

bool ChoosesSeveral(const std::vector<std::string>& forms) {
    return forms.size() > 1 || (forms.size() == 1 && (forms[0] == "all" || forms[0] == "failed"));
}

}  // namespace korvane::fleet

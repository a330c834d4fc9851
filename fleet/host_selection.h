#pragma once
// Which hosts a multi-host run serves, and how each one's worker finds it
// again: by what stays with the host (its serial number) or with its socket
// (its port) rather than by a path the system hands out anew at each plug.
#include <optional>
#include <string>
#include <vector>

#include "common/lamp_model.h"
#include "hid/hid_backend.h"

namespace korvane::fleet {

struct FleetHost {
    HidDeviceInfo device;
    LampModel model = LampModel::Rt220;
    // How a worker finds this host and no other: serial:S where its serial
    // number is its alone, else port:P where its port is, else its path.
    std::string form;
    // What the operator sees it by: its port, else its serial, else its path.
    std::string Label() const;
};

// The hosts among the devices (the others left out), each with its form.
std::vector<FleetHost> AttachedHosts(const std::vector<HidDeviceInfo>& devices);

struct Selection {
    std::vector<FleetHost> chosen;
    std::vector<FleetHost> skipped;      // another model's, left out of "all"
    std::vector<std::string> unmatched;  // forms that matched no attached host
};

// The hosts the forms choose ("all", a path, serial:S, port:P), each once,
// in the order the attached hosts are listed. A command of one model takes
// only that model's hosts from "all"; a form that names a host of the other
// model keeps it, and its run says what is wrong.
Selection SelectHosts(const std::vector<FleetHost>& attached, const std::vector<std::string>& forms,
                      std::optional<LampModel> commandModel);

// More than one form, or one that may stand for several hosts.
bool ChoosesSeveral(const std::vector<std::string>& forms);

}  // namespace korvane::fleet

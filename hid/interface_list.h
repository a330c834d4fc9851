#pragma once
// Which HID interfaces discovery looks at, and in which order, before it
// opens one: an interface path of the form "...vid_0483&pid_1234..." names
// its device's vendor and product, so nothing is opened to learn them, and
// only a host's interfaces are examined further. The host is a USB device,
// whose paths always have that form; a path without it (a Bluetooth, I2C or
// virtual device of a laptop) is passed over unopened. A host with several
// collections is found by the one whose reports are 65 bytes long.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hid/hid_backend.h"

namespace korvane {

// Vendor and product from a HID interface path ("...vid_0483&pid_1234...",
// any case, four hexadecimal digits each); false when the path has no such
// form.
bool IdsFromInterfacePath(const std::string& path, uint16_t& vendor, uint16_t& product);

// How a host's interface is examined, each through a query-only handle of its own.
struct InterfaceExaminer {
    // The input and output report lengths, with the report ID.
    std::function<std::optional<std::pair<std::size_t, std::size_t>>(const std::string& path)>
        lengths;
    // A host's serial number and port, where the system tells them.
    std::function<void(const std::string& path, HidDeviceInfo& info)> identity = nullptr;
    // Identity asked of every interface of the host's vendor, not of the
    // hosts' alone: a one-off listing, never the poll.
    bool wholeVendor = false;
};

// The interfaces of `paths` with their vendor and product (0 when the path
// does not name them),
// in the order given but for a host's interfaces whose reports are 65 bytes
// long, which come before the host's others.
std::vector<HidDeviceInfo> ListInterfaces(const std::vector<std::string>& paths,
                                          const InterfaceExaminer& examine);

}  // namespace korvane

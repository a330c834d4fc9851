#pragma once
// Which host to take among several attached, in the forms the operator
// writes: a path as the system names the device ("/dev/hidraw3", an
// interface path), "serial:S" for the host whose USB serial number is S,
// "port:P" for the host whose USB device sits at P. A path changes when a
// host is plugged in again; its serial number stays with it, and its port
// with the place it is plugged into.
#include <string>

#include "hid/hid_backend.h"

namespace korvane {

struct HostChoice {
    enum class By { Any, Path, Serial, Port };
    By by = By::Any;  // Any: the first host found
    std::string value;

    // Any other text is a path; the empty text is Any.
    static HostChoice Parse(const std::string& form);
    static HostChoice OfPath(const std::string& path) { return {By::Path, path}; }
    bool Matches(const HidDeviceInfo& device) const;
    // As the operator writes it ("serial:EMU0002"); empty for Any.
    std::string Form() const;
};

}  // namespace korvane

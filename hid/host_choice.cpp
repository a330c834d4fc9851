#include "hid/host_choice.h"

namespace korvane {

namespace {
constexpr const char* kSerial = "serial:";
constexpr const char* kPort = "port:";

bool Starts(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}
}  // namespace

HostChoice HostChoice::Parse(const std::string& form) {
    if (form.empty()) return {};
    if (Starts(form, kSerial))
        return {By::Serial, form.substr(std::char_traits<char>::length(kSerial))};
    if (Starts(form, kPort)) return {By::Port, form.substr(std::char_traits<char>::length(kPort))};
    return {By::Path, form};
}

bool HostChoice::Matches(const HidDeviceInfo& device) const {
    switch (by) {
        case By::Any:
            return true;
        case By::Path:
            return device.path == value;
        // A host that tells no serial number or port is never taken for one.
        case By::Serial:
            return !device.serial.empty() && device.serial == value;
        case By::Port:
            return !device.port.empty() && device.port == value;
    }
    return false;
}

std::string HostChoice::Form() const {
    switch (by) {
        case By::Any:
            return {};
        case By::Path:
            return value;
        case By::Serial:
            return kSerial + value;
        case By::Port:
            return kPort + value;
    }
    return {};
}

}  // namespace korvane

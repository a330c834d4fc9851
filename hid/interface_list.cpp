#include "hid/interface_list.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "common/lamp_model.h"

namespace korvane {

bool IdsFromInterfacePath(const std::string& path, uint16_t& vendor, uint16_t& product) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char ch) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    });
    auto hex4 = [&](std::size_t at, uint16_t& value) {
        unsigned v = 0;
        for (std::size_t i = at; i < at + 4; ++i) {
            const char ch = lower[i];
            if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
            v = v * 16 + static_cast<unsigned>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
        }
        value = static_cast<uint16_t>(v);
        return true;
    };
    // "vid_hhhh&pid_hhhh", as a USB device's hardware ID has it.
    constexpr std::size_t kFormLength = 17;
    for (std::size_t at = lower.find("vid_"); at != std::string::npos;
         at = lower.find("vid_", at + 1)) {
        if (lower.size() - at < kFormLength || lower.compare(at + 8, 5, "&pid_") != 0) continue;
        uint16_t v = 0;
        uint16_t p = 0;
        if (!hex4(at + 4, v) || !hex4(at + 13, p)) continue;
        vendor = v;
        product = p;
        return true;
    }
    return false;
}

std::vector<HidDeviceInfo> ListInterfaces(const std::vector<std::string>& paths,
                                          const InterfaceExaminer& examine) {
    // A host's fitting collections first; everything else keeps its place
    // relative to its kind.
    std::vector<HidDeviceInfo> fitting;
    std::vector<HidDeviceInfo> others;
    for (const std::string& path : paths) {
        HidDeviceInfo info;
        info.path = path;
        IdsFromInterfacePath(path, info.vendor, info.product);
        bool fit = false;
        if (ModelOfDevice(info.vendor, info.product)) {
            const auto lengths = examine.lengths(path);
            fit = lengths && lengths->first == kReportSize && lengths->second == kReportSize;
        }
        const bool identified = examine.wholeVendor
                                    ? info.vendor == kHostVendor
                                    : ModelOfDevice(info.vendor, info.product).has_value();
        if (identified && examine.identity) examine.identity(path, info);
        (fit ? fitting : others).push_back(std::move(info));
    }
    fitting.insert(fitting.end(), std::make_move_iterator(others.begin()),
                   std::make_move_iterator(others.end()));
    return fitting;
}

}  // namespace korvane

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
    auto field = [&](const char* key, uint16_t& value) {
        const std::size_t at = lower.find(key);
        if (at == std::string::npos || lower.size() - at < 8) return false;
        unsigned v = 0;
        for (std::size_t i = at + 4; i < at + 8; ++i) {
            const char ch = lower[i];
            if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
            v = v * 16 + static_cast<unsigned>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
        }
        value = static_cast<uint16_t>(v);
        return true;
    };
    uint16_t v = 0;
    uint16_t p = 0;
    if (!field("vid_", v) || !field("pid_", p)) return false;
    vendor = v;
    product = p;
    return true;
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
        if (!IdsFromInterfacePath(path, info.vendor, info.product) &&
            !examine.ids(path, info.vendor, info.product)) {
            info.vendor = 0;
            info.product = 0;
        }
        bool fit = false;
        if (ModelOfDevice(info.vendor, info.product)) {
            const auto lengths = examine.lengths(path);
            fit = lengths && lengths->first == kReportSize && lengths->second == kReportSize;
            if (examine.identity) examine.identity(path, info);
        }
        (fit ? fitting : others).push_back(std::move(info));
    }
    fitting.insert(fitting.end(), std::make_move_iterator(others.begin()),
                   std::make_move_iterator(others.end()));
    return fitting;
}

}  // namespace korvane

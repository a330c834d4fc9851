#include "common/lamp_model.h"

#include <cctype>

namespace korvane {

std::optional<LampModel> ModelOfDevice(uint16_t vendor, uint16_t product) {
    if (vendor != kHostVendor) return std::nullopt;
    if (product == kProductRt220) return LampModel::Rt220;
    if (product == kProductRt221) return LampModel::Rt221;
    return std::nullopt;
}

const char* ModelName(LampModel m) { return m == LampModel::Rt221 ? "RT-221" : "RT-220"; }

std::optional<LampModel> ParseLampModel(const std::string& text) {
    // Either the command-line spelling or the model's own name, in any case.
    std::string key;
    for (char c : text) {
        if (c == '-') continue;
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    if (key == "rt220") return LampModel::Rt220;
    if (key == "rt221") return LampModel::Rt221;
    return std::nullopt;
}

std::vector<LampModel> ParseLampModels(const std::string& text) {
    std::vector<LampModel> models;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::optional<LampModel> m = ParseLampModel(text.substr(start, comma - start));
        if (!m) return {};
        models.push_back(*m);
        if (comma == std::string::npos) return models;
        start = comma + 1;
    }
}

}  // namespace korvane

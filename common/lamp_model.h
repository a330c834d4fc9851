#pragma once
// The two lamp models a host serves, told apart by the host's USB product ID.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

inline constexpr uint16_t kHostVendor = 0x0483;

enum class LampModel {
    Rt220 = 0,  // the proprietary-code lamp, product 0x1234
    Rt221 = 1,  // the POCSAG lamp, product 0x7890
};

inline constexpr uint16_t kProductRt220 = 0x1234;
inline constexpr uint16_t kProductRt221 = 0x7890;

inline constexpr uint16_t ProductOf(LampModel m) {
    return m == LampModel::Rt221 ? kProductRt221 : kProductRt220;
}
// The model a host of this vendor and product serves; nullopt for any other device.
std::optional<LampModel> ModelOfDevice(uint16_t vendor, uint16_t product);
// "RT-220" / "RT-221"
const char* ModelName(LampModel m);
// The index of the model in the form's radio group (0 for RT-220, 1 for RT-221).
inline constexpr int ModelIndex(LampModel m) { return static_cast<int>(m); }
// "rt220", "RT-220", "rt-220" and the same for the RT-221; nullopt otherwise.
std::optional<LampModel> ParseLampModel(const std::string& text);
// Several of those joined by commas ("rt221,rt221,rt220"); empty when any is none.
std::vector<LampModel> ParseLampModels(const std::string& text);

}  // namespace korvane

#pragma once
// A lamp profile: the parameters of one model as JSON, so that one host's
// settings can be read from it and applied to many.
#include <optional>
#include <string>

#include "common/lamp_model.h"
#include "protocol/form_values.h"  // ColorName, EffectName and their indexes
#include "protocol/records.h"

namespace korvane::cli {

struct Profile {
    LampModel model = LampModel::Rt220;
    std::optional<float> frequency;
    BasicParamValues basic;     // for the RT-220
    AddressCodeValues address;  // for the RT-221
};

// JSON text of a profile (UTF-8, indented).
std::string ProfileToJson(const Profile& p);
// Parses a profile; on failure returns nullopt and says why in `error`.
std::optional<Profile> ProfileFromJson(const std::string& json, std::string& error);
// Checks a profile as the window would before sending anything; empty when it passes.
std::string ValidateProfile(const Profile& p);

}  // namespace korvane::cli

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
// Parses a profile into `profile`; false, with the reason in `why`, when it is not one.
bool ProfileFromJson(const std::string& json, Profile& profile, std::string* why);
// Checks a profile as the window would before sending anything; false, with
// the reason in `why`, when the window would refuse it.
bool ValidateProfile(const Profile& p, std::string* why);

}  // namespace korvane::cli

#pragma once
// Initialise, receive frequency, firmware version and upgrade.
#include <optional>
#include <string>

#include "operations/operation_context.h"

namespace korvane::ops {

inline constexpr std::size_t kMaxFirmwareImage = 3000000;

bool InitDevice(OperationContext& ctx);
// `frequency` has passed the form's validation already.
bool SetFrequency(OperationContext& ctx, float frequency);
// The frequency read, when the host answered.
std::optional<float> ReadFrequency(OperationContext& ctx);
// The version text for the form's version edit, when the host answered.
std::optional<std::string> ReadVersion(OperationContext& ctx);
// true only when an image went out and the host acknowledged it.
bool UpgradeFirmware(OperationContext& ctx);

}  // namespace korvane::ops

#pragma once
// The backend that reaches the hosts attached to this computer: hidapi over
// hidraw on Linux, SetupAPI and hid.dll on Windows.
#include <memory>

#include "hid/hid_backend.h"

namespace korvane {

std::unique_ptr<HidBackend> MakeSystemBackend();

}  // namespace korvane

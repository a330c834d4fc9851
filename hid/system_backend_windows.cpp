#include "hid/system_backend.h"
#include "hid/windows_hid_backend.h"

namespace korvane {

std::unique_ptr<HidBackend> MakeSystemBackend() { return std::make_unique<WindowsHidBackend>(); }

}  // namespace korvane

#include "hid/hidapi_backend.h"
#include "hid/system_backend.h"

namespace korvane {

std::unique_ptr<HidBackend> MakeSystemBackend() { return std::make_unique<HidapiBackend>(); }

}  // namespace korvane

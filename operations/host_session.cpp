#include "operations/host_session.h"

#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/hidapi_backend.h"
#include "hid/staging.h"

namespace korvane {

int ParseEmulateOption(const std::string& text) {
    if (text == "rt220" || text == "RT-220") return 0;
    if (text == "rt221" || text == "RT-221") return 1;
    return -1;
}

HostSession::HostSession(Clock& clock, OperatorSeam& op, const SessionOptions& options) {
    if (options.emulateModel >= 0) {
        emulator_ = std::make_unique<HostEmulator>(
            clock, options.emulateModel == 0 ? kProductModel0 : kProductModel1);
        backend_ = std::make_unique<EmulatedBackend>(*emulator_, clock);
    } else {
        backend_ = std::make_unique<HidapiBackend>();
    }
    link_ = std::make_unique<HidLink>(*backend_, clock, op);
    link_->wantedPath = options.devicePath;
    protocol_ = std::make_unique<LampProtocol>(*link_, op, clock);
    // A staging folder that cannot be made private leaves the paths empty:
    // every staged operation then ends with its message and sends nothing.
    context_ = std::make_unique<OperationContext>(
        OperationContext{*protocol_, op, StagingPath(kWriteFileName).value_or(""),
                         StagingPath(kReadFileName).value_or("")});
}

HostSession::~HostSession() = default;

}  // namespace korvane

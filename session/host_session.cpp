#include "session/host_session.h"

#include "common/staging.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/system_backend.h"

namespace korvane {

HostSession::HostSession(Clock& clock, OperatorSeam& op, const SessionOptions& options) {
    if (options.emulate) {
        emulator_ = std::make_unique<HostEmulator>(clock, ProductOf(*options.emulate));
        backend_ = std::make_unique<EmulatedBackend>(*emulator_, clock);
    } else {
        backend_ = MakeSystemBackend();
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

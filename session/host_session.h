#pragma once
// Everything an operator front end runs on: the backend (real hosts or the
// emulator), the link, the protocol and the operation context, built once.
#include <memory>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/lamp_model.h"
#include "common/operator_seam.h"
#include "hid/hid_link.h"
#include "operations/operation_context.h"
#include "protocol/transaction.h"

namespace korvane {

class HostEmulator;

struct SessionOptions {
    std::optional<LampModel> emulate;  // the emulator of this model instead of real hosts
    std::string devicePath;            // one host among several (empty: the first)
};

class HostSession {
  public:
    HostSession(Clock& clock, OperatorSeam& op, const SessionOptions& options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    HidLink& link() { return *link_; }
    LampProtocol& protocol() { return *protocol_; }
    OperationContext& context() { return *context_; }
    HidBackend& backend() { return *backend_; }
    // The emulated host, or nullptr on real hardware.
    HostEmulator* emulator() { return emulator_.get(); }

  private:
    std::unique_ptr<HostEmulator> emulator_;
    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<HidLink> link_;
    std::unique_ptr<LampProtocol> protocol_;
    std::unique_ptr<OperationContext> context_;
};

}  // namespace korvane

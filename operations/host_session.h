#pragma once
// Everything an operator front end runs on: the backend (real hosts or the
// emulator), the link, the protocol and the operation context, built once.
#include <memory>
#include <string>

#include "common/clock.h"
#include "common/operator_seam.h"
#include "hid/hid_link.h"
#include "operations/operation_context.h"
#include "protocol/transaction.h"

namespace korvane {

class HostEmulator;

struct SessionOptions {
    int emulateModel = -1;   // -1: real hosts; 0 RT-220, 1 RT-221: the emulator
    std::string devicePath;  // one host among several (empty: the first)
};

// "rt220" -> 0, "rt221" -> 1, else -1.
int ParseEmulateOption(const std::string& text);

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

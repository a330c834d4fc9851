#pragma once
// Everything an operator front end runs on: the backend (real hosts or the
// emulator), the link, the protocol and the operation context, built once,
// and the provisioning record when the operator asked for it.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/lamp_model.h"
#include "common/operator_seam.h"
#include "emulator/host_emulator.h"
#include "hid/hid_link.h"
#include "operations/operation_context.h"
#include "protocol/transaction.h"

namespace korvane {

namespace record {
class HostTap;
class ProvisioningRecord;
class TranscriptOperator;
}  // namespace record

struct SessionOptions {
    // Emulated hosts of these models instead of real ones, one per entry.
    std::vector<LampModel> emulate;
    HostChoice device;  // one host among several (Any: the first found)
    // The provisioning record's file; nullopt: no record is kept.
    std::optional<std::string> record;
    std::string program = "korvane";  // the program, as the record names it
    std::string run;                  // the multi-host run it serves a host of
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
    // The (first) emulated host, or nullptr on real hardware.
    HostEmulator* emulator() { return emulators_.empty() ? nullptr : emulators_.front().get(); }
    // Every emulated host, in the order of their paths.
    const std::vector<std::unique_ptr<HostEmulator>>& emulators() const { return emulators_; }

    // Runs an operation that may change the host (init, a set, a download,
    // a format, an upgrade, or several of them as `name`) and returns its
    // result. With the record on, its line is appended when it sent anything.
    bool RunRecorded(const std::function<bool()>& run, const char* name = nullptr);
    // Reports handed to a host so far.
    unsigned long ReportsWritten() const;
    // Each firmware version read, as the host sent it.
    std::function<void(const std::string&)> onVersionText;
    // The record could not be written, and why: told once, the operation goes on.
    std::function<void(const std::string& path, const std::string& why)> onRecordUnwritable;

  private:
    std::vector<std::unique_ptr<HostEmulator>> emulators_;
    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<record::HostTap> tap_;
    std::unique_ptr<record::TranscriptOperator> transcript_;
    std::unique_ptr<HidLink> link_;
    std::unique_ptr<LampProtocol> protocol_;
    std::unique_ptr<OperationContext> context_;
    std::unique_ptr<record::ProvisioningRecord> record_;
};

}  // namespace korvane

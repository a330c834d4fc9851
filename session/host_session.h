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

namespace trace {
class ReplayBackend;
class TraceTap;
class TraceWriter;
}  // namespace trace

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
    // The field trace's file; nullopt: no trace is kept.
    std::optional<std::string> trace;
    // A trace served as the host instead of real ones (replay:FILE), only in
    // its recorded order when strict.
    std::string replay;
    bool replayStrict = false;
    std::string program = "korvane";  // the program, as the record and the trace name it
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
    // Runs one operation the operator asked for (a button, a command) and
    // returns its result. With the trace on, where it begins and ends, its
    // outcome and every text shown meanwhile go into the trace; an
    // operation run inside another is part of it.
    bool RunOperation(const std::string& name, const std::function<bool()>& run);
    // With the trace on, its file.
    std::optional<std::string> TraceFile() const;
    // What the replay has to tell at the end (each write that matched
    // nothing); empty without a replay.
    std::vector<std::string> ReplayFindings() const;
    // Reports handed to a host so far.
    unsigned long ReportsWritten() const;
    // Each firmware version read, as the host sent it.
    std::function<void(const std::string&)> onVersionText;
    // The record could not be written, and why: told once, the operation goes on.
    std::function<void(const std::string& path, const std::string& why)> onRecordUnwritable;
    // The same for the trace.
    std::function<void(const std::string& path, const std::string& why)> onTraceUnwritable;

  private:
    void MakeBackend(Clock& clock, const SessionOptions& options);
    void StartTrace(Clock& clock, const SessionOptions& options);

    std::vector<std::unique_ptr<HostEmulator>> emulators_;
    std::unique_ptr<HidBackend> backend_;
    trace::ReplayBackend* replay_ = nullptr;  // the backend, when it is a replay
    std::unique_ptr<trace::TraceWriter> trace_;
    std::unique_ptr<trace::TraceTap> traceTap_;
    bool inOperation_ = false;
    std::vector<std::string> operationTexts_;
    std::unique_ptr<record::HostTap> tap_;
    std::unique_ptr<record::TranscriptOperator> transcript_;
    std::unique_ptr<HidLink> link_;
    std::unique_ptr<LampProtocol> protocol_;
    std::unique_ptr<OperationContext> context_;
    std::unique_ptr<record::ProvisioningRecord> record_;
};

}  // namespace korvane

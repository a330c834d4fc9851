#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/emulator_state.h"
#include "cli/interrupt.h"
#include "record/record_log.h"
#include "trace/trace_writer.h"

namespace korvane::cli {

namespace {

SessionOptions WithRecord(const Options& options) {
    SessionOptions session = options.session;
    session.record = record::RecordPath(options.record);
    // A command that reaches no host has nothing to trace.
    if (ReachesHost(options.args)) session.trace = trace::TracePath(options.trace);
    session.program = "korvane-cli";
    return session;
}

}  // namespace

Runner::Runner(const Options& options, const Output& out, Clock& clock, TerminalOperator& op)
    : options_(options), out_(out), op_(op), session_(clock, op, WithRecord(options)) {
    session_.onRecordUnwritable = [this](const std::string& path, const std::string& why) {
        out_.Error("cannot write the record " + path + " (" + why +
                   "); the operations go on without it");
    };
    session_.onTraceUnwritable = [this](const std::string& path, const std::string& why) {
        out_.Error("cannot write the trace " + path + " (" + why +
                   "); the operations go on without it");
    };
    // An interrupt ends a fixed pause too: Ctrl-C, and above all the console
    // closing, must not wait out the five seconds after a first packet.
    session_.protocol().endPauses = [] { return InterruptPending(); };
    session_.link().pump = [this] {
        if (TakeInterrupt()) {
            // A transfer stops after its current packet; a wait ends at once.
            session_.protocol().OnCancelRequest(1);
            interrupted_ = true;
        }
        return !interrupted_;
    };
}

std::string Runner::Arg(std::size_t i) const {
    return i < options_.args.size() ? options_.args[i] : std::string();
}

int Runner::Usage(const std::string& why) const {
    out_.UsageError(why);
    return kExitUsage;
}

bool Runner::ChosenHostAttached() {
    const HostChoice& wanted = session_.link().wanted;
    if (wanted.by != HostChoice::By::Serial && wanted.by != HostChoice::By::Port) return true;
    for (const HidDeviceInfo& d : session_.backend().Enumerate())
        if (ModelOfDevice(d.vendor, d.product) && wanted.Matches(d)) return true;
    out_.Error("no host matches " + wanted.Form());
    return false;
}

std::optional<LampModel> Runner::ModelOfHost() {
    if (session_.link().connected == 0) session_.link().FindDevice();
    if (session_.link().connected != 1) return std::nullopt;
    return session_.link().model;
}

bool Runner::LoadState() {
    if (options_.stateFile.empty()) return true;
    const auto& hosts = session_.emulators();
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const std::string path = EmulatorStatePath(options_.stateFile, i);
        if (LoadEmulatorState(*hosts[i], path)) continue;
        out_.Error(path + " is not an emulator state file (left unchanged)");
        return false;
    }
    return true;
}

bool Runner::SaveState() {
    if (options_.stateFile.empty()) return true;
    const auto& hosts = session_.emulators();
    bool saved = true;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        // Another run may be serving a host this one never opened: its file is that run's.
        if (hosts.size() > 1 && hosts[i]->opens == 0) continue;
        const std::string path = EmulatorStatePath(options_.stateFile, i);
        if (SaveEmulatorState(*hosts[i], path)) continue;
        out_.Error("cannot write the emulator state to " + path);
        saved = false;
    }
    return saved;
}

}  // namespace korvane::cli

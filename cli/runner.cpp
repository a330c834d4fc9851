#include "cli/commands.h"
#include "cli/emulator_state.h"
#include "cli/interrupt.h"
#include "record/record_log.h"

namespace korvane::cli {

namespace {

SessionOptions WithRecord(const Options& options) {
    SessionOptions session = options.session;
    session.record = record::RecordPath(options.record);
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

std::optional<LampModel> Runner::ModelOfHost() {
    if (session_.link().connected == 0) session_.link().FindDevice();
    if (session_.link().connected != 1) return std::nullopt;
    return session_.link().model;
}

bool Runner::LoadState() {
    if (!session_.emulator() || options_.stateFile.empty()) return true;
    if (LoadEmulatorState(*session_.emulator(), options_.stateFile)) return true;
    out_.Error(options_.stateFile + " is not an emulator state file (left unchanged)");
    return false;
}

bool Runner::SaveState() {
    if (!session_.emulator() || options_.stateFile.empty()) return true;
    if (SaveEmulatorState(*session_.emulator(), options_.stateFile)) return true;
    out_.Error("cannot write the emulator state to " + options_.stateFile);
    return false;
}

}  // namespace korvane::cli

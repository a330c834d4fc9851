#include "session/host_session.h"

#include "common/staging.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/system_backend.h"
#include "record/provisioning_record.h"
#include "trace/replay_backend.h"
#include "trace/trace_writer.h"

namespace korvane {

void HostSession::MakeBackend(Clock& clock, const SessionOptions& options) {
    if (!options.replay.empty()) {
        // The file was read when the option was taken; one gone since serves no host.
        std::string why;
        const trace::Trace recorded =
            trace::ReadTrace(options.replay, &why).value_or(trace::Trace());
        auto replay = std::make_unique<trace::ReplayBackend>(recorded, clock, options.replayStrict);
        replay_ = replay.get();
        backend_ = std::move(replay);
    } else if (!options.emulate.empty()) {
        for (const LampModel model : options.emulate)
            emulators_.push_back(std::make_unique<HostEmulator>(clock, ProductOf(model)));
        auto emulated = std::make_unique<EmulatedBackend>(*emulators_.front(), clock);
        for (std::size_t i = 1; i < emulators_.size(); ++i) emulated->AddHost(*emulators_[i]);
        backend_ = std::move(emulated);
    } else {
        backend_ = MakeSystemBackend();
    }
}

void HostSession::StartTrace(Clock& clock, const SessionOptions& options) {
    if (!options.trace) return;
    const char* backend = replay_ != nullptr   ? "replay"
                          : emulators_.empty() ? "system"
                                               : "emulated";
    trace_ = std::make_unique<trace::TraceWriter>(
        trace::TraceOptions{*options.trace, options.program, backend}, clock);
    trace_->onUnwritable = [this, path = *options.trace](const std::string& why) {
        if (onTraceUnwritable) onTraceUnwritable(path, why);
    };
    trace_->Start();
    traceTap_ = std::make_unique<trace::TraceTap>(*backend_, *trace_);
    transcript_->onShown = [this](const std::string& text) {
        if (inOperation_) operationTexts_.push_back(text);
    };
}

HostSession::HostSession(Clock& clock, OperatorSeam& op, const SessionOptions& options) {
    MakeBackend(clock, options);
    transcript_ = std::make_unique<record::TranscriptOperator>(op);
    StartTrace(clock, options);
    // Everything the operator is shown and every host opened passes these,
    // for the record and the trace to see.
    tap_ = std::make_unique<record::HostTap>(traceTap_ ? static_cast<HidBackend&>(*traceTap_)
                                                       : *backend_);
    link_ = std::make_unique<HidLink>(*tap_, clock, *transcript_);
    link_->wanted = options.device;
    protocol_ = std::make_unique<LampProtocol>(*link_, *transcript_, clock);
    // A staging folder that cannot be made private leaves the paths empty:
    // every staged operation then ends with its message and sends nothing.
    context_ = std::make_unique<OperationContext>(
        OperationContext{*protocol_, *transcript_, StagingPath(kWriteFileName).value_or(""),
                         StagingPath(kReadFileName).value_or("")});
    if (options.record) {
        record_ = std::make_unique<record::ProvisioningRecord>(
            record::RecordOptions{*options.record, options.program, options.run}, *link_, *tap_,
            *transcript_);
        record_->onUnwritable = [this, path = *options.record](const std::string& why) {
            if (onRecordUnwritable) onRecordUnwritable(path, why);
        };
    }
    protocol_->onVersionText = [this](const std::string& text) {
        if (record_) record_->NoteVersion(text);
        if (onVersionText) onVersionText(text);
    };
}

HostSession::~HostSession() {
    // The host still open is closed here: the trace's last line.
    if (traceTap_) traceTap_->Close();
}

unsigned long HostSession::ReportsWritten() const { return tap_->writes(); }

bool HostSession::RunOperation(const std::string& name, const std::function<bool()>& run) {
    if (!trace_ || inOperation_) return run();
    inOperation_ = true;
    operationTexts_.clear();
    trace_->Begin(name);
    const bool ok = run();
    trace_->End(name, ok, std::move(operationTexts_));
    operationTexts_.clear();
    inOperation_ = false;
    return ok;
}

std::optional<std::string> HostSession::TraceFile() const {
    if (!trace_) return std::nullopt;
    return trace_->path();
}

std::vector<std::string> HostSession::ReplayFindings() const {
    return replay_ != nullptr ? replay_->Findings() : std::vector<std::string>();
}

bool HostSession::RunRecorded(const std::function<bool()>& run, const char* name) {
    if (!record_) return run();
    return record_->Run(*context_, run, name);
}

}  // namespace korvane

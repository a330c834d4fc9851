#include "session/host_session.h"

#include "common/staging.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/system_backend.h"
#include "record/provisioning_record.h"

namespace korvane {

HostSession::HostSession(Clock& clock, OperatorSeam& op, const SessionOptions& options) {
    if (!options.emulate.empty()) {
        for (const LampModel model : options.emulate)
            emulators_.push_back(std::make_unique<HostEmulator>(clock, ProductOf(model)));
        auto emulated = std::make_unique<EmulatedBackend>(*emulators_.front(), clock);
        for (std::size_t i = 1; i < emulators_.size(); ++i) emulated->AddHost(*emulators_[i]);
        backend_ = std::move(emulated);
    } else {
        backend_ = MakeSystemBackend();
    }
    // Everything the operator is shown and every host opened passes these,
    // for the record to see.
    tap_ = std::make_unique<record::HostTap>(*backend_);
    transcript_ = std::make_unique<record::TranscriptOperator>(op);
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

HostSession::~HostSession() = default;

unsigned long HostSession::ReportsWritten() const { return tap_->writes(); }

bool HostSession::RunRecorded(const std::function<bool()>& run, const char* name) {
    if (!record_) return run();
    return record_->Run(*context_, run, name);
}

}  // namespace korvane

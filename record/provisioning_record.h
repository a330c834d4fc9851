#pragma once
// Writes the provisioning record around the operations that change a host:
// what was sent, to which host, and what the operator was shown.
#include <QJsonObject>
#include <functional>
#include <string>
#include <vector>

#include "common/operator_seam.h"
#include "hid/backend_tap.h"
#include "hid/hid_backend.h"
#include "hid/hid_link.h"
#include "operations/operation_context.h"

namespace korvane::record {

// The operator seam in front of the program's own: passes everything on,
// and while armed keeps the texts of the boxes and of the progress dialog's
// outcome line, in order. A box with a caption of its own keeps it, as
// "[caption] text".
class TranscriptOperator final : public OperatorSeam {
  public:
    explicit TranscriptOperator(OperatorSeam& shown) : shown_(shown) {}

    void Arm() {
        texts_.clear();
        armed_ = true;
    }
    std::vector<std::string> Disarm() {
        armed_ = false;
        return std::move(texts_);
    }

    // Told every text it would keep, armed or not.
    std::function<void(const std::string& text)> onShown;

    void ShowBox(const std::string& text, const std::string& caption, BoxIcon icon) override;
    void ProgressOpen() override { shown_.ProgressOpen(); }
    bool ProgressIsOpen() const override { return shown_.ProgressIsOpen(); }
    void ProgressSetRange(int upper) override { shown_.ProgressSetRange(upper); }
    int ProgressPosition() const override { return shown_.ProgressPosition(); }
    void ProgressSetPosition(int pos) override { shown_.ProgressSetPosition(pos); }
    void ProgressSetText(int controlId, const std::string& text) override;
    void ProgressClose() override { shown_.ProgressClose(); }
    std::optional<std::string> ChooseFile(const std::string& filter) override {
        return shown_.ChooseFile(filter);
    }
    std::optional<std::string> ChooseFolder(const std::string& title) override {
        return shown_.ChooseFolder(title);
    }
    std::optional<std::string> AskAuthorizationPassword() override {
        return shown_.AskAuthorizationPassword();
    }

  private:
    OperatorSeam& shown_;
    bool armed_ = false;
    std::vector<std::string> texts_;
};

// The backend in front of the real one: passes everything on, and keeps
// what the search listed of the host the link opened last.
class HostTap final : public BackendTap {
  public:
    explicit HostTap(HidBackend& real) : BackendTap(real) {}

    bool Open(const std::string& path) override {
        if (!BackendTap::Open(path)) return false;
        ++opens_;
        return true;
    }
    bool Write(const Report& report, int timeoutMs) override {
        ++writes_;
        return BackendTap::Write(report, timeoutMs);
    }

    const std::string& path() const { return opened().path; }
    // Its serial number and port, where the search told them.
    const std::string& serial() const { return opened().serial; }
    const std::string& port() const { return opened().port; }
    // Counts the opens, so a caller can tell whether one came since it looked.
    unsigned opens() const { return opens_; }
    // Reports handed to a host.
    unsigned long writes() const { return writes_; }

  private:
    unsigned opens_ = 0;
    unsigned long writes_ = 0;
};

struct RecordOptions {
    std::string path;     // the record file
    std::string program;  // "korvane", "korvane-cli"
    std::string run;      // the multi-host run a line belongs to; empty for none
};

class ProvisioningRecord {
  public:
    ProvisioningRecord(RecordOptions options, HidLink& link, HostTap& tap,
                       TranscriptOperator& transcript);

    // Runs an operation that may change the host, and appends its line when
    // it sent anything. `name` names a run of several operations ("apply");
    // else the line takes the name of the operation that sent.
    bool Run(OperationContext& ctx, const std::function<bool()>& run, const char* name);
    // A firmware version read from the host open now.
    void NoteVersion(const std::string& text);

    // Told once, the first time a line cannot be written, with why.
    std::function<void(const std::string& why)> onUnwritable;

  private:
    RecordOptions options_;
    HidLink& link_;
    HostTap& tap_;
    TranscriptOperator& transcript_;
    // The firmware version read, and of which host: the one with its serial
    // number, else the one open then (a host opened later at the same path
    // may be another).
    std::string version_;
    std::string versionSerial_;
    unsigned versionOpen_ = 0;
    bool warned_ = false;
};

// What a note of an operation about to send puts in the line's "sent".
void AddSent(QJsonObject& sent, const Outgoing& what);
// The name the record gives the operation.
const char* OperationName(const Outgoing& what);

}  // namespace korvane::record

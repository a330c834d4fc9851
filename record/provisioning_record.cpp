#include "record/provisioning_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <filesystem>

#include "common/codepage.h"
#include "common/lamp_model.h"
#include "common/resource_ids.h"
#include "common/texts.h"
#include "common/version.h"
#include "protocol/form_values.h"
#include "protocol/frequency.h"
#include "record/record_log.h"
#include "vocabulary/settings_json.h"

namespace korvane::record {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A folder or file as it will still name the same weeks later.
QString Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::u8path(path), ec);
    return Q(ec ? path : full.u8string());
}

const char* AreaName(ops::SoundArea area) {
    return area == ops::SoundArea::Custom ? "custom" : "fixed";
}

}  // namespace

void TranscriptOperator::ShowBox(const std::string& text, const std::string& caption,
                                 BoxIcon icon) {
    const std::string kept = caption == texts::kAppTitle ? text : "[" + caption + "] " + text;
    if (onShown) onShown(kept);
    if (armed_) texts_.push_back(kept);
    shown_.ShowBox(text, caption, icon);
}

void TranscriptOperator::ProgressSetText(int controlId, const std::string& text) {
    // The line of what is being done changes with every packet; the outcome is what counts.
    if (controlId == ids::kProgressOutcome) {
        if (onShown) onShown(text);
        if (armed_) texts_.push_back(text);
    }
    shown_.ProgressSetText(controlId, text);
}

HostTap::HostTap(HidBackend& real) : real_(real) {
    real_.onIdle = [this] {
        if (onIdle) onIdle();
    };
}

HostTap::~HostTap() { real_.onIdle = nullptr; }

std::vector<HidDeviceInfo> HostTap::Enumerate() {
    listed_ = real_.Enumerate();
    return listed_;
}

bool HostTap::Open(const std::string& path) {
    if (!real_.Open(path)) return false;
    opened_ = HidDeviceInfo();
    opened_.path = path;
    for (const HidDeviceInfo& d : listed_)
        if (d.path == path) opened_ = d;
    ++opens_;
    return true;
}

const char* OperationName(Outgoing::Kind kind) {
    switch (kind) {
        case Outgoing::Kind::Init:
            return "init";
        case Outgoing::Kind::Frequency:
            return "frequency set";
        case Outgoing::Kind::Basic:
            return "basic set";
        case Outgoing::Kind::AddressCodes:
            return "address set";
        case Outgoing::Kind::Download:
            return "voice download";
        case Outgoing::Kind::Format:
            return "voice format";
        case Outgoing::Kind::Upgrade:
            return "firmware upgrade";
    }
    return "?";
}

void AddSent(QJsonObject& sent, const Outgoing& what) {
    switch (what.kind) {
        case Outgoing::Kind::Init:
            break;
        case Outgoing::Kind::Frequency:
            sent["frequency"] = Q(FormatMhz(what.frequency));
            break;
        case Outgoing::Kind::Basic:
            sent["basic"] = vocab::BasicJson(what.basic, vocab::Password::Length);
            break;
        case Outgoing::Kind::AddressCodes:
            sent["address"] = vocab::AddressJson(what.address);
            break;
        case Outgoing::Kind::Download: {
            QJsonArray sounds;
            for (const SoundEntry& e : what.sounds)
                sounds.append(vocab::SoundJson(GbkToUtf8(e.name), e.length));
            sent["area"] = AreaName(what.area);
            sent["folder"] = Absolute(what.source);
            sent["sounds"] = sounds;
            break;
        }
        case Outgoing::Kind::Format:
            sent["area"] = AreaName(what.area);
            break;
        case Outgoing::Kind::Upgrade:
            sent["file"] = Absolute(what.source);
            sent["size"] = static_cast<qint64>(what.bytes);
            break;
    }
}

ProvisioningRecord::ProvisioningRecord(RecordOptions options, HidLink& link, HostTap& tap,
                                       TranscriptOperator& transcript)
    : options_(std::move(options)), link_(link), tap_(tap), transcript_(transcript) {}

void ProvisioningRecord::NoteVersion(const std::string& text) {
    version_ = text;
    versionSerial_ = tap_.serial();
    versionOpen_ = tap_.opens();
}

bool ProvisioningRecord::Run(OperationContext& ctx, const std::function<bool()>& run,
                             const char* name) {
    std::vector<Outgoing> sending;
    ctx.onSending = [&sending](const Outgoing& what) { sending.push_back(what); };
    const bool hostOpen = link_.connected == 1 && link_.backend().IsOpen();
    const unsigned opens = tap_.opens();
    transcript_.Arm();
    const bool ok = run();
    const std::vector<std::string> shown = transcript_.Disarm();
    ctx.onSending = nullptr;
    // Refused or abandoned before anything went out: the host is as it was.
    if (sending.empty()) return ok;

    // A new image may be in the host now, or half of one.
    for (const Outgoing& what : sending)
        if (what.kind == Outgoing::Kind::Upgrade) version_.clear();
    QJsonObject host;
    if (hostOpen || tap_.opens() != opens) {
        host["path"] = Q(tap_.path());
        host["model"] = ModelName(link_.model);
        if (!tap_.serial().empty()) host["serial"] = Q(tap_.serial());
        if (!tap_.port().empty()) host["port"] = Q(tap_.port());
        const bool sameHost =
            versionSerial_.empty() ? versionOpen_ == tap_.opens() : versionSerial_ == tap_.serial();
        if (!version_.empty() && sameHost) host["firmware"] = Q(GbkToUtf8(version_));
    }
    QJsonObject sent;
    for (const Outgoing& what : sending) AddSent(sent, what);
    QJsonArray texts;
    for (const std::string& text : shown) texts.append(Q(text));
    QJsonObject line{
        {"time", Q(LocalTimeNow())},
        {"program", Q(options_.program)},
        {"version", KORVANE_VERSION},
        {"host", host},
        {"operation", name != nullptr ? name : OperationName(sending.front().kind)},
        {"sent", sent},
        {"outcome", ok ? "success" : "failure"},
        {"texts", texts},
    };
    if (!options_.run.empty()) line["run"] = Q(options_.run);
    std::string why;
    if (!AppendRecordLine(options_.path,
                          QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString(), why) &&
        !warned_) {
        warned_ = true;
        if (onUnwritable) onUnwritable(why);
    }
    return ok;
}

}  // namespace korvane::record

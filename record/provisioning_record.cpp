#include "record/provisioning_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <filesystem>
#include <variant>

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

namespace {

// The record's name of each operation, and what it sent.
struct Naming {
    const char* operator()(const sent::Init&) const { return "init"; }
    const char* operator()(const sent::Frequency&) const { return "frequency set"; }
    const char* operator()(const sent::Basic&) const { return "basic set"; }
    const char* operator()(const sent::AddressCodes&) const { return "address set"; }
    const char* operator()(const sent::Download&) const { return "voice download"; }
    const char* operator()(const sent::Format&) const { return "voice format"; }
    const char* operator()(const sent::Upgrade&) const { return "firmware upgrade"; }
};

struct Adding {
    QJsonObject& out;
    void operator()(const sent::Init&) const {}
    void operator()(const sent::Frequency& f) const { out["frequency"] = Q(FormatMhz(f.mhz)); }
    void operator()(const sent::Basic& b) const {
        out["basic"] = vocab::BasicJson(b.values, vocab::Password::Length);
    }
    void operator()(const sent::AddressCodes& a) const {
        out["address"] = vocab::AddressJson(a.values);
    }
    void operator()(const sent::Download& d) const {
        QJsonArray sounds;
        for (const SoundEntry& e : d.sounds)
            sounds.append(vocab::SoundJson(GbkToUtf8(e.name), e.length));
        out["area"] = AreaName(d.area);
        out["folder"] = Absolute(d.folder);
        out["sounds"] = sounds;
    }
    void operator()(const sent::Format& f) const { out["area"] = AreaName(f.area); }
    void operator()(const sent::Upgrade& u) const {
        out["file"] = Absolute(u.image);
        out["size"] = static_cast<qint64>(u.bytes);
    }
};

}  // namespace

const char* OperationName(const Outgoing& what) { return std::visit(Naming{}, what); }

void AddSent(QJsonObject& sent, const Outgoing& what) { std::visit(Adding{sent}, what); }

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
        if (std::holds_alternative<sent::Upgrade>(what)) version_.clear();
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
        {"operation", name != nullptr ? name : OperationName(sending.front())},
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

#include "trace/trace_writer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>
#include <filesystem>

#include "common/lamp_model.h"
#include "common/version.h"
#include "record/record_file.h"
#include "record/record_log.h"

namespace korvane::trace {

namespace fs = std::filesystem;

std::optional<std::string> TracePath(const std::optional<std::string>& option) {
    const std::string chosen =
        option ? *option : qEnvironmentVariable("KORVANE_TRACE").toStdString();
    if (!option && (chosen.empty() || chosen == "0")) return std::nullopt;
    if (chosen.empty() || (!option && chosen == "1")) return DefaultTracePath();
    return chosen;
}

std::string DefaultTracePath() {
    const std::string folder = record::DefaultDataFolder();
    if (folder.empty()) return {};
    // The process as well: the workers of a run on several hosts start in the same second.
    const QString name =
        QStringLiteral("trace-%1-%2.jsonl")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
            .arg(QCoreApplication::applicationPid());
    return (fs::u8path(folder) / fs::u8path(name.toStdString())).u8string();
}

bool IsDefaultTracePath(const std::string& path) {
    const std::string folder = record::DefaultDataFolder();
    const fs::path file = fs::u8path(path);
    return !folder.empty() && file.parent_path() == fs::u8path(folder) &&
           file.filename().u8string().rfind("trace-", 0) == 0;
}

std::string DefaultTracePlace() {
    std::string place = record::DefaultRecordPlace();
    return place.substr(0, place.size() - std::string("record.jsonl").size()) +
           "trace-DATE-TIME-PID.jsonl";
}

TraceWriter::TraceWriter(TraceOptions options, const Clock& clock)
    : options_(std::move(options)), clock_(clock) {}

TraceWriter::~TraceWriter() { FlushWait(); }

int64_t TraceWriter::Now() const { return clock_.NowUs() - startUs_; }

void TraceWriter::Start() {
    startUs_ = clock_.NowUs();
    // The default place's folder may not be there yet; a folder named by
    // the operator is theirs to make.
    std::error_code ec;
    if (IsDefaultTracePath(options_.path))
        fs::create_directories(fs::u8path(options_.path).parent_path(), ec);
    TraceEvent header;
    header.program = options_.program;
    header.version = KORVANE_VERSION;
    header.system = QSysInfo::prettyProductName().toStdString() + " (" +
                    QSysInfo::currentCpuArchitecture().toStdString() + ")";
    header.backend = options_.backend;
    header.start = record::LocalTimeNow();
    Put(header);
}

void TraceWriter::Host(const HidDeviceInfo& host) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Host;
    e.us = Now();
    e.host = host;
    if (const std::optional<LampModel> model = ModelOfDevice(host.vendor, host.product))
        e.model = ModelName(*model);
    Put(e);
}

void TraceWriter::Wrote(const Report& report, bool ok, const std::string& error) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Write;
    e.us = Now();
    e.report = report;
    e.result = ok ? TraceEvent::Result::Ok : TraceEvent::Result::Error;
    if (!ok) e.error = error;
    Put(e);
}

void TraceWriter::Read(HidBackend::ReadResult result, const Report& report, int64_t startUs,
                       int timeoutMs, const std::string& error) {
    if (result == HidBackend::ReadResult::Timeout) {
        if (timeoutMs <= 0) return;
        if (!waitFromUs_) waitFromUs_ = startUs;
        waitToUs_ = Now();
        return;
    }
    TraceEvent e;
    e.kind = TraceEvent::Kind::Read;
    e.us = Now();
    if (waitFromUs_) e.waitedMs = (startUs - *waitFromUs_) / 1000;
    waitFromUs_.reset();
    if (result == HidBackend::ReadResult::Ok) {
        e.report = report;
    } else {
        e.result = TraceEvent::Result::Error;
        e.error = error;
    }
    Put(e);
}

void TraceWriter::Closed(bool lost) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Close;
    e.us = Now();
    e.lost = lost;
    Put(e);
}

void TraceWriter::Begin(const std::string& operation) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::Begin;
    e.us = Now();
    e.operation = operation;
    Put(e);
}

void TraceWriter::End(const std::string& operation, bool success, std::vector<std::string> texts) {
    TraceEvent e;
    e.kind = TraceEvent::Kind::End;
    e.us = Now();
    e.operation = operation;
    e.success = success;
    e.texts = std::move(texts);
    Put(e);
}

void TraceWriter::FlushWait() {
    if (!waitFromUs_) return;
    TraceEvent e;
    e.kind = TraceEvent::Kind::Read;
    e.us = *waitFromUs_;
    e.result = TraceEvent::Result::Timeout;
    e.waitedMs = (waitToUs_ - *waitFromUs_) / 1000;
    waitFromUs_.reset();
    Put(e);
}

void TraceWriter::Put(const TraceEvent& event) {
    // A wait that ended with no report comes before whatever ended it.
    if (event.kind != TraceEvent::Kind::Read) FlushWait();
    std::string why;
    if (options_.path.empty()) {
        why = "there is no folder for it (no HOME, no LOCALAPPDATA)";
    } else if (record::AppendLine(options_.path, TraceLine(event), why)) {
        return;
    }
    if (warned_) return;
    warned_ = true;
    if (onUnwritable) onUnwritable(why);
}

bool TraceTap::Open(const std::string& path) {
    if (!BackendTap::Open(path)) return false;
    failed_ = false;
    trace_.Host(opened());
    return true;
}

void TraceTap::Close() {
    if (IsOpen()) trace_.Closed(failed_);
    failed_ = false;
    BackendTap::Close();
}

bool TraceTap::Write(const Report& report, int timeoutMs) {
    const bool ok = BackendTap::Write(report, timeoutMs);
    failed_ = !ok;
    trace_.Wrote(report, ok, ok ? std::string() : ErrorText());
    return ok;
}

HidBackend::ReadResult TraceTap::Read(Report& report, int timeoutMs) {
    const int64_t startUs = trace_.Now();
    const ReadResult result = BackendTap::Read(report, timeoutMs);
    if (result != ReadResult::Timeout || timeoutMs > 0) failed_ = result != ReadResult::Ok;
    trace_.Read(result, report, startUs, timeoutMs,
                result == ReadResult::Error ? ErrorText() : std::string());
    return result;
}

}  // namespace korvane::trace

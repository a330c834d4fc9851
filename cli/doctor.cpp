// doctor: the devices of the host's vendor, whether each host opens and
// answers, and why not; Korvane's files; the program.
#include "cli/doctor.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "cli/doctor_system.h"
#include "common/codepage.h"
#include "common/staging.h"
#include "common/texts.h"
#include "common/version.h"
#include "operations/system_ops.h"
#include "record/record_file.h"
#include "record/record_log.h"

namespace korvane::cli {

namespace {

// Takes what the operations would show and keeps it for the report: the
// doctor's output is the report alone.
class QuietOperator final : public OperatorSeam {
  public:
    void ShowBox(const std::string& text, const std::string& caption, BoxIcon) override {
        shown.push_back(
            caption.empty() || caption == texts::kAppTitle ? text : "[" + caption + "] " + text);
    }
    void ProgressOpen() override { open_ = true; }
    bool ProgressIsOpen() const override { return open_; }
    void ProgressSetRange(int) override {}
    int ProgressPosition() const override { return 0; }
    void ProgressSetPosition(int) override {}
    void ProgressSetText(int, const std::string&) override {}
    void ProgressClose() override { open_ = false; }
    std::optional<std::string> ChooseFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskAuthorizationPassword() override { return std::nullopt; }

    std::vector<std::string> shown;

  private:
    bool open_ = false;
};

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// Opens the host at the device's path and, when it answers, reads its
// version kDoctorVersionReads times, each timed from request to reply.
void TryHost(HostSession& session, QuietOperator& op, DoctorDevice& d) {
    HidLink& link = session.link();
    link.wanted = HostChoice::OfPath(d.info.path);
    op.shown.clear();
    if (link.FindDevice() != 1) {
        if (!op.shown.empty()) d.failure = Trimmed(op.shown.back());
        return;
    }
    d.opened = true;
    std::vector<double> times;
    for (int i = 0; i < kDoctorVersionReads; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<std::string> v = ops::ReadVersion(session.context());
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        // A host that does not answer once would make each read wait its time-out.
        if (!v) {
            d.failure = op.shown.empty() ? texts::kReadVersionFailed : Trimmed(op.shown.back());
            break;
        }
        if (!d.firmware) d.firmware = GbkToUtf8(*v);
        times.push_back(took.count());
    }
    d.roundTrip = RoundTripOf(times);
    link.Disconnect();
}

// Whether files can be made in `folder`, or, where it is not there yet, in
// the nearest folder above it that is (the program makes the rest).
bool FolderWritable(const std::string& folder, std::string& state) {
    QFileInfo at(QString::fromStdString(folder));
    bool missing = false;
    while (!at.exists()) {
        missing = true;
        const QString up = at.absolutePath();
        if (up == at.absoluteFilePath()) return false;
        at = QFileInfo(up);
    }
    if (!at.isDir()) {
        state = at.absoluteFilePath().toStdString() + " is not a folder";
        return false;
    }
    QTemporaryFile probe(QDir(at.absoluteFilePath()).filePath("korvane-doctor-XXXXXX"));
    if (!probe.open()) {
        state = "cannot be written";
        return false;
    }
    if (missing) state = "made when first used";
    return true;
}

FileCheck Staging() {
    FileCheck f{"staging", StagingFolderName(), false, {}};
    if (f.path.empty()) {
        f.state = "there is no place for it (no HOME, no LOCALAPPDATA)";
        return f;
    }
    if (!StagingDirectory()) {
        f.state = "cannot be made private: a link, not a folder, someone else's, or open to others";
        return f;
    }
    f.usable = FolderWritable(f.path, f.state);
    return f;
}

FileCheck Record(const Options& options) {
    const std::optional<std::string> on = record::RecordPath(options.record);
    FileCheck f{"record", on ? *on : record::DefaultRecordPath(), false, {}};
    if (f.path.empty()) {
        f.state = "there is no place for it (no HOME, no LOCALAPPDATA)";
        return f;
    }
    const QFileInfo file(QString::fromStdString(f.path));
    if (file.exists() && !file.isFile()) {
        f.state = "is not a file";
    } else if (file.exists()) {
        f.usable = file.isWritable();
        if (!f.usable) f.state = "cannot be written";
    } else {
        f.usable = FolderWritable(file.absolutePath().toStdString(), f.state);
    }
    if (!on) f.state = f.state.empty() ? "off" : "off; " + f.state;
    return f;
}

// The folder the trace goes to by default.
std::string TraceFolder() { return record::DefaultDataFolder(); }

FileCheck Trace() {
    FileCheck f{"trace", TraceFolder(), false, {}};
    if (f.path.empty())
        f.state = "there is no place for it (no HOME, no LOCALAPPDATA)";
    else
        f.usable = FolderWritable(f.path, f.state);
    return f;
}

}  // namespace

std::optional<RoundTrip> RoundTripOf(std::vector<double> ms) {
    if (ms.empty()) return std::nullopt;
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    const double median = n % 2 == 1 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    return RoundTrip{ms.front(), median, ms.back(), static_cast<int>(n)};
}

std::string DeviceLabel(const DoctorDevice& d) {
    char id[16];
    std::snprintf(id, sizeof id, "%04x:%04x", d.info.vendor, d.info.product);
    const std::string path = d.info.path.empty() ? std::string("(no path)") : d.info.path;
    return path + " (" + (d.model ? ModelName(*d.model) : id) + ")";
}

namespace {

// Why a host did not open, in a line.
std::string RefusedLine(const DoctorDevice& d) {
    const std::string label = DeviceLabel(d);
    if (!d.refusal) {
        // The system opens it, the HID layer does not take it.
        return label + " cannot be opened" + (d.failure.empty() ? "" : ": " + d.failure) +
               (d.info.path.empty() ? "" : " (the system opens it, but not as a HID device)");
    }
    const std::string why = " (" + d.refusal->text + ")";
    switch (d.refusal->kind) {
        case OpenRefusal::Kind::Permission:
            return label + ": permission: this user may not open it" + why;
        case OpenRefusal::Kind::Sharing:
            return label + ": sharing: another program holds it and does not share it" + why +
                   "; close that program";
        case OpenRefusal::Kind::Access:
            return label + ": access: the system refuses reading and writing it" + why;
        case OpenRefusal::Kind::Absent:
            return label + " went before it could be opened" + why;
        case OpenRefusal::Kind::Other:
            break;
    }
    return label + " cannot be opened" + why;
}

std::string HeldLine(const DoctorDevice& d) {
    std::string names;
    for (const NodeHolder& h : d.access.holders)
        names += (names.empty() ? "" : ", ") + std::to_string(h.pid) + " (" + h.name + ")";
    return DeviceLabel(d) + " is open in other programs too: " + names +
           "; one of them may take the host's replies";
}

}  // namespace

void Conclude(DoctorReport& r) {
    r.reasons.clear();
    r.warnings.clear();
    r.answered = std::any_of(r.devices.begin(), r.devices.end(),
                             [](const DoctorDevice& d) { return d.firmware.has_value(); });
    std::vector<std::string> refused, silent, held, others;
    bool hosts = false;
    bool permission = false;
    for (const DoctorDevice& d : r.devices) {
        if (!d.model) {
            others.push_back(DeviceLabel(d));
            continue;
        }
        hosts = true;
        if (!d.access.holders.empty()) (r.answered ? r.warnings : held).push_back(HeldLine(d));
        if (d.firmware) {
            if (!d.failure.empty())
                r.warnings.push_back(DeviceLabel(d) + " answered, then failed: " + d.failure);
        } else if (!d.opened) {
            permission =
                permission || (d.refusal && d.refusal->kind == OpenRefusal::Kind::Permission);
            refused.push_back(RefusedLine(d));
        } else {
            silent.push_back(DeviceLabel(d) + " opens but does not answer a version read (" +
                             d.failure +
                             "): a device of another kind under the host's IDs, or a "
                             "host that does not work");
        }
    }
    const AccessSetup& s = r.setup;
    std::vector<std::string> setup;
    if (s.rule == "missing")
        setup.push_back(
            "the udev rule that gives the user at the seat access to the hosts is "
            "not installed (70-korvane.rules, in /usr/lib/udev/rules.d)");
    if (s.seat == "no")
        setup.push_back(
            "this user is not at the seat (a remote or ssh session): the rule gives "
            "access to the user at the seat alone");
    std::vector<std::string> why = refused;
    if (permission) why.insert(why.end(), setup.begin(), setup.end());
    why.insert(why.end(), silent.begin(), silent.end());
    if (r.answered) {
        // Another host that answers does not make these right.
        r.warnings.insert(r.warnings.end(), why.begin(), why.end());
        if (!permission && s.rule == "missing")
            r.warnings.push_back(
                "the udev rule for the hosts is not installed: only root, or a "
                "user the node's group admits, may open them");
    } else {
        r.reasons = why;
        r.reasons.insert(r.reasons.end(), held.begin(), held.end());
        std::string all;
        for (const std::string& o : others) all += (all.empty() ? "" : ", ") + o;
        if (!hosts && !others.empty())
            r.reasons.push_back(
                "the devices of vendor 0483 here are none of the hosts (products "
                "1234 and 7890): " +
                all);
        if (!hosts && others.empty())
            r.reasons.push_back(
                "no device of vendor 0483 is attached: plug the host in, try "
                "another USB port, and a cable that carries data (not one for "
                "charging only)");
    }
    if (s.rule == "twice") {
        std::string files;
        for (const std::string& f : s.ruleFiles) files += (files.empty() ? "" : ", ") + f;
        r.warnings.push_back("the udev rule for the hosts is installed more than once: " + files);
    }
    for (const std::string& note : s.notes) r.warnings.push_back(note);
    for (const FileCheck& f : r.files)
        if (!f.usable && f.state.rfind("off", 0) != 0)
            r.warnings.push_back("the " + f.what + (f.what == "record" ? " " : " folder ") +
                                 f.path + " cannot be used: " + f.state);
}

DoctorReport Examine(const Options& options) {
    DoctorReport report;
    report.version = KORVANE_VERSION;
    report.system = SystemName();
    report.emulated = !options.session.emulate.empty();
    report.backend = report.emulated ? "emulated" : BackendName();
    SessionOptions quiet = options.session;
    quiet.record.reset();
    quiet.device = {};
    SystemClock clock;
    QuietOperator op;
    HostSession session(clock, op, quiet);
    for (const HidDeviceInfo& info : session.backend().EnumerateWholeVendor()) {
        if (info.vendor != kHostVendor) continue;
        DoctorDevice d;
        d.info = info;
        d.model = ModelOfDevice(info.vendor, info.product);
        if (d.model && info.path.empty()) d.failure = Trimmed(texts::kPathError);
        if (d.model && !info.path.empty()) TryHost(session, op, d);
        if (!report.emulated && !info.path.empty()) {
            if (d.model && !d.opened) d.refusal = ProbeOpen(info.path);
            d.access = ExamineNode(info.path);
        }
        report.devices.push_back(std::move(d));
    }
    if (!report.emulated) report.setup = ExamineAccessSetup();
    report.files = {Staging(), Record(options), Trace()};
    Conclude(report);
    return report;
}

int RunDoctor(Runner& r) {
    const DoctorReport report = Examine(r.options());
    r.out().Doctor(report);
    // The report says why: a failure's JSON would only repeat it.
    r.out().FailureSaid();
    return report.answered ? kExitOk : kExitFailed;
}

}  // namespace korvane::cli

// One command on several hosts at once (--device all, several --device, or
// --device failed), and on each host as it is plugged in (--watch): the hosts
// chosen, the command checked once before any of them is touched, a worker
// each, and what the operator sees of them. The engine is fleet/'s.
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "cli/fleet_view.h"
#include "cli/interrupt.h"
#include "cli/profile.h"
#include "cli/terminal_text.h"
#include "common/staging.h"
#include "fleet/fleet_run.h"
#include "fleet/last_run.h"
#include "fleet/worker_events.h"
#include "hotplug/device_watcher.h"

namespace korvane::cli {

namespace {

// The model a command is for, where it is for one: its hosts alone are taken from "all".
std::optional<LampModel> CommandModel(const Options& o) {
    const std::string& word = o.args[0];
    if (word == "basic") return LampModel::Rt220;
    if (word == "address") return LampModel::Rt221;
    if (word == "apply" && o.args.size() == 2) {
        std::ifstream in(std::filesystem::u8path(o.args[1]), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (Profile p; ProfileFromJson(text.str(), p, nullptr)) return p.model;
    }
    return std::nullopt;
}

QStringList Q(const std::vector<std::string>& args) {
    QStringList out;
    for (const std::string& a : args) out << QString::fromStdString(a);
    return out;
}

// The command on a throwaway emulated host in virtual time: the values,
// files and profile are judged as each host's run will judge them, once,
// before any host is touched. Its exit status; its texts when it refused.
int CheckCommand(const Options& o, const std::string& program, LampModel model,
                 const std::string& staging, std::string& shown) {
    QProcess check;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVANE_STAGING_DIR", QString::fromStdString(staging));
    check.setProcessEnvironment(env);
    check.setProgram(QString::fromStdString(program));
    check.setArguments(
        Q(o.forwarded) +
        QStringList{"--quiet", "--check-model", model == LampModel::Rt220 ? "rt220" : "rt221"} +
        Q(o.args));
    check.start();
    check.waitForFinished(-1);
    shown =
        check.readAllStandardOutput().toStdString() + check.readAllStandardError().toStdString();
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::u8path(staging), ec);
    if (check.exitStatus() != QProcess::NormalExit) return kExitFailed;
    return check.exitCode();
}

// The hosts attached now, from the backend the options name.
std::vector<fleet::FleetHost> Attached(const Options& o) {
    SystemClock clock;
    TerminalOperator quiet(stderr, stderr);
    quiet.showProgress = false;
    SessionOptions session = o.session;
    session.record.reset();
    HostSession probe(clock, quiet, session);
    return fleet::AttachedHosts(probe.backend().Enumerate());
}

// A host the watch has served already: by its serial, else its port, else its path.
std::string WatchKey(const fleet::FleetHost& h) {
    if (!h.device.serial.empty()) return "serial:" + h.device.serial;
    if (!h.device.port.empty()) return "port:" + h.device.port;
    return h.device.path;
}

}  // namespace

void WorkerLeftHalfWritten() {
    fleet::WorkerEvent e;
    e.kind = fleet::WorkerEvent::Kind::HalfWritten;
    PrintText(stderr, "%s\n", fleet::EncodeWorkerEvent(e).c_str());
}

namespace {

// A command that serves one host only, or none; nullopt when it may run on several.
std::optional<int> RefusedOnManyHosts(const Options& o, const Output& out) {
    const std::string& word = o.args[0];
    if (word == "dump" && o.args.size() > 1) {
        out.UsageError(
            "dump FILE takes one host; on several, each host's profile is in its "
            "end event (--json)");
        return kExitUsage;
    }
    if (word == "list" || word == "record" ||
        (word == "voice" && o.args.size() > 1 && o.args[1] == "plan")) {
        out.UsageError(word + " serves no host: give it without --device");
        return kExitUsage;
    }
    return std::nullopt;
}

// The --device forms with "failed" replaced by the hosts the last run left
// failed, found again by what stays with them; those that told nothing that
// stays go to `lost`. false, told, when there is no last run.
bool ExpandFailed(const Options& o, const Output& out, std::vector<std::string>& forms,
                  std::vector<std::string>& lost) {
    for (const std::string& form : o.devices) {
        if (form != "failed") {
            forms.push_back(form);
            continue;
        }
        const std::optional<fleet::LastRun> last = fleet::LoadLastRun(fleet::LastRunPath());
        if (!last) {
            out.Error("there is no last run to take the failed hosts from (" +
                      fleet::LastRunPath() + ")");
            return false;
        }
        const std::vector<std::string> failed = fleet::FailedForms(*last, lost);
        forms.insert(forms.end(), failed.begin(), failed.end());
        if (failed.empty() && lost.empty())
            out.Message("no host failed in the last run " + last->id);
    }
    return true;
}

// Runs until every host is served, or with --watch until Ctrl-C, serving
// each host that `serve` is given: those chosen now, and those plugged in
// later that the forms choose. false, told, when --watch cannot follow plugs.
bool Serve(const Options& o, const Output& out, FleetView& view, fleet::FleetRun& run,
           const std::function<void()>& servePlugged) {
    QEventLoop loop;
    // Ctrl-C (or the console closing) reaches the run here; each worker is
    // told as well, and stops between two packets.
    QTimer interrupts;
    interrupts.setInterval(50);
    bool interrupted = false;
    QObject::connect(&interrupts, &QTimer::timeout, [&] {
        if (!TakeInterrupt() || interrupted) return;
        interrupted = true;
        run.Interrupt();
        if (!run.Busy()) loop.quit();
    });
    interrupts.start();
    QObject::connect(&run, &fleet::FleetRun::idle, [&] {
        if (!o.watch || interrupted) loop.quit();
    });

    std::unique_ptr<DeviceWatcher> watcher;
    QTimer settle;
    if (o.watch) {
        TerminalOperator quiet(stderr, stderr);
        watcher = DeviceWatcher::Create(quiet);
        if (!watcher) {
            out.Error("device notifications cannot be had here: --watch cannot follow plugs");
            return false;
        }
        // A host's node is there a moment after its notice.
        settle.setSingleShot(true);
        settle.setInterval(300);
        QObject::connect(&settle, &QTimer::timeout, [&] {
            if (!interrupted) servePlugged();
        });
        QObject::connect(watcher.get(), &DeviceWatcher::deviceChange, [&](int) { settle.start(); });
        view.Watching();
    }
    if (run.Busy() || o.watch) loop.exec();
    return true;
}

// Keeps which hosts succeeded, for a later --device failed.
void KeepLastRun(const Output& out, const std::string& runId, const fleet::FleetRun& run) {
    fleet::LastRun last{runId, {}};
    for (const fleet::HostRun& h : run.hosts())
        last.hosts.push_back(fleet::RunEntry{h.host.device.path, h.host.device.serial,
                                             h.host.device.port, ModelName(h.host.model),
                                             h.state == fleet::HostRun::State::Succeeded});
    std::string why;
    if (!fleet::SaveLastRun(fleet::LastRunPath(), last, why))
        out.Error("cannot keep the run's summary in " + fleet::LastRunPath() + " (" + why +
                  "): --device failed will not find its hosts");
}

}  // namespace

int RunOnManyHosts(const Options& o, const Output& out, const std::string& program) {
    if (const std::optional<int> refused = RefusedOnManyHosts(o, out)) return *refused;
    const std::string runId = fleet::NewRunId();
    FleetView view(out, o.json, !o.json && TerminalTakesCursorMoves(stdout));

    std::vector<std::string> forms;
    std::vector<std::string> lost;
    if (!ExpandFailed(o, out, forms, lost)) return kExitFailed;
    if (forms.empty() && o.watch) forms.push_back("all");
    for (const std::string& path : lost)
        view.Unmatched(path, "told neither a serial number nor a port: it cannot be found again");

    const std::optional<LampModel> model = CommandModel(o);
    const fleet::Selection first = fleet::SelectHosts(Attached(o), forms, model);
    // A production line starts before its first host is plugged in.
    if (!o.watch)
        for (const std::string& form : first.unmatched) view.Unmatched(form, "no host matches it");
    for (const fleet::FleetHost& h : first.skipped) view.Skipped(h, model);
    if (first.chosen.empty() && !o.watch) {
        if (forms.empty()) return lost.empty() ? kExitOk : kExitFailed;
        out.Error("no host found");
        out.Failure({});
        return kExitFailed;
    }

    const std::string stagingRoot = StagingDirectory().value_or("");
    if (stagingRoot.empty()) {
        out.Error(StagingFailedText());
        return kExitFailed;
    }
    // Checked once, before any host is touched.
    std::string shown;
    const LampModel checkModel =
        model ? *model : (first.chosen.empty() ? LampModel::Rt221 : first.chosen.front().model);
    const int check = CheckCommand(o, program, checkModel, stagingRoot + "/check-" + runId, shown);
    if (check != kExitOk) {
        WriteText(stderr, shown);
        return check;
    }

    fleet::WorkerPlan plan;
    plan.program = program;
    plan.before = o.forwarded;
    plan.before.insert(plan.before.end(), {"--worker", "--json", "--run-id", runId});
    plan.after = o.args;
    plan.stagingRoot = stagingRoot;
    fleet::FleetRun run(plan, o.jobs);
    view.Follow(run);

    std::set<std::string> served;
    auto serve = [&](const std::vector<fleet::FleetHost>& hosts) {
        for (const fleet::FleetHost& h : hosts)
            if (served.insert(WatchKey(h)).second) run.Add(h);
    };
    serve(first.chosen);
    if (!Serve(o, out, view, run,
               [&] { serve(fleet::SelectHosts(Attached(o), forms, model).chosen); }))
        return kExitFailed;

    out.FailureSaid();  // the summary tells every host's failure
    const bool allGood = view.Summary(run, runId, first.skipped) &&
                         (first.unmatched.empty() || o.watch) && lost.empty();
    KeepLastRun(out, runId, run);
    return allGood && !run.hosts().empty() ? kExitOk : kExitFailed;
}

}  // namespace korvane::cli

#include "fleet/fleet_run.h"

#include <QDir>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>

#include "fleet/worker_events.h"
#include "fleet/worker_signal.h"

namespace korvane::fleet {

namespace {

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QStringList Q(const std::vector<std::string>& args) {
    QStringList out;
    for (const std::string& a : args) out << QString::fromStdString(a);
    return out;
}

}  // namespace

struct FleetRun::Worker {
    QProcess process;
    std::string pendingErr;  // a line not yet ended
    QString staging;
};

int64_t HostRun::LeftMs(int64_t nowMs) const {
    if (paceFrom == 0 || position <= paceFrom || position >= total) return -1;
    return (nowMs - paceFromMs) * (total - position) / (position - paceFrom);
}

FleetRun::FleetRun(WorkerPlan plan, int jobs)
    : plan_(std::move(plan)), jobs_(jobs), epochMs_(MonotonicMs()) {}

FleetRun::~FleetRun() {
    // A run given up while workers still go (the program is ending): they
    // are told as Ctrl-C tells them, and waited for, so no host is left to a
    // worker nobody follows. Whoever listened may be gone already.
    blockSignals(true);
    Interrupt();
    for (auto& w : workers_)
        if (w && w->process.state() != QProcess::NotRunning) w->process.waitForFinished(30000);
}

int64_t FleetRun::NowMs() const { return MonotonicMs() - epochMs_; }

std::size_t FleetRun::Add(const FleetHost& host) {
    HostRun h;
    h.host = host;
    hosts_.push_back(std::move(h));
    workers_.push_back(nullptr);
    StartWaiting();
    return hosts_.size() - 1;
}

bool FleetRun::Busy() const {
    for (const HostRun& h : hosts_)
        if (h.state == HostRun::State::Waiting || h.state == HostRun::State::Running) return true;
    return false;
}

void FleetRun::Interrupt() {
    interrupted_ = true;
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
        if (hosts_[i].state == HostRun::State::Running && workers_[i])
            InterruptWorker(workers_[i]->process.processId());
        if (hosts_[i].state == HostRun::State::Waiting) {
            hosts_[i].state = HostRun::State::Failed;
            hosts_[i].texts.push_back("interrupted before it started: nothing was sent");
            hosts_[i].startedMs = hosts_[i].endedMs = NowMs();
            emit ended(i);
        }
    }
    if (!Busy()) emit idle();
}

void FleetRun::StartWaiting() {
    if (interrupted_) return;
    int running = 0;
    for (const HostRun& h : hosts_) running += h.state == HostRun::State::Running ? 1 : 0;
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
        if (jobs_ > 0 && running >= jobs_) return;
        if (hosts_[i].state != HostRun::State::Waiting) continue;
        Start(i);
        ++running;
    }
}

void FleetRun::Start(std::size_t index) {
    HostRun& h = hosts_[index];
    auto w = std::make_unique<Worker>();
    // A staging folder of the worker's own: no two hosts share a staging file.
    w->staging = QString::fromStdString(plan_.stagingRoot) + QString("/worker-%1").arg(NowMs()) +
                 QString("-%1").arg(index);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVANE_STAGING_DIR", w->staging);
    w->process.setProcessEnvironment(env);
    w->process.setProgram(QString::fromStdString(plan_.program));
    w->process.setArguments(Q(plan_.before) +
                            QStringList{"--device", QString::fromStdString(h.host.form)} +
                            Q(plan_.after));
    QProcess* p = &w->process;
    Worker* raw = w.get();
    connect(p, &QProcess::readyReadStandardError, this, [this, index, raw] {
        raw->pendingErr += raw->process.readAllStandardError().toStdString();
        for (std::size_t nl; (nl = raw->pendingErr.find('\n')) != std::string::npos;) {
            const std::string line = raw->pendingErr.substr(0, nl);
            raw->pendingErr.erase(0, nl + 1);
            Take(index, line);
        }
    });
    connect(p, &QProcess::readyReadStandardOutput, this, [this, index, raw] {
        hosts_[index].out += raw->process.readAllStandardOutput().toStdString();
    });
    connect(p, &QProcess::finished, this, [this, index](int code, QProcess::ExitStatus status) {
        Finish(index, code, status == QProcess::CrashExit);
    });
    connect(p, &QProcess::errorOccurred, this, [this, index](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) Finish(index, -1, true);
    });
    h.state = HostRun::State::Running;
    h.startedMs = NowMs();
    workers_[index] = std::move(w);
    emit begun(index);
    p->start();
}

void FleetRun::Take(std::size_t index, const std::string& line) {
    const std::optional<WorkerEvent> e = DecodeWorkerLine(line);
    if (!e) return;
    HostRun& h = hosts_[index];
    switch (e->kind) {
        case WorkerEvent::Kind::Step:
            h.step = e->text;
            break;
        case WorkerEvent::Kind::Progress:
            h.position = e->position;
            h.total = e->total;
            if (h.paceFrom == 0 && h.position >= 2) {
                h.paceFrom = h.position;
                h.paceFromMs = NowMs();
            }
            break;
        case WorkerEvent::Kind::Text:
            h.texts.push_back(e->text);
            return;
        case WorkerEvent::Kind::HalfWritten:
            h.halfWritten = true;
            return;
    }
    emit changed(index);
}

void FleetRun::Finish(std::size_t index, int exitCode, bool crashed) {
    HostRun& h = hosts_[index];
    if (h.state != HostRun::State::Running) return;
    Worker& w = *workers_[index];
    const std::string rest = w.pendingErr + w.process.readAllStandardError().toStdString();
    w.pendingErr.clear();
    for (std::size_t at = 0; at < rest.size();) {
        const std::size_t nl = rest.find('\n', at);
        Take(index, rest.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
        if (nl == std::string::npos) break;
        at = nl + 1;
    }
    h.out += w.process.readAllStandardOutput().toStdString();
    h.endedMs = NowMs();
    if (crashed)
        h.texts.push_back(exitCode == -1 && w.process.error() == QProcess::FailedToStart
                              ? "the worker could not be started: " +
                                    w.process.errorString().toStdString()
                              : "the worker ended without a result (it crashed)");
    h.state = !crashed && exitCode == 0 ? HostRun::State::Succeeded : HostRun::State::Failed;
    QDir(w.staging).removeRecursively();
    emit ended(index);
    StartWaiting();
    if (!Busy()) emit idle();
}

}  // namespace korvane::fleet

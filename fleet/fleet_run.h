#pragma once
// One command on many hosts at once. Each host is served by a worker of its
// own, a child process that runs the one-host program for that host alone,
// so that a fault, a hang or a crash in one host's run cannot touch another
// and the single-threaded core stays as it is. The run starts the workers,
// at most `jobs` at a time, follows what each one tells, and keeps each
// host's outcome; showing it is the caller's.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fleet/host_selection.h"

class QProcess;

namespace korvane::fleet {

struct WorkerPlan {
    std::string program;              // the one-host program (korvane-cli itself)
    std::vector<std::string> before;  // its arguments before --device FORM
    std::vector<std::string> after;   // and after: the command and its own
    // Each worker stages in a folder of its own below this one.
    std::string stagingRoot;
};

struct HostRun {
    FleetHost host;
    enum class State { Waiting, Running, Succeeded, Failed };
    State state = State::Waiting;
    std::string step;  // what the host is doing now
    int position = 0;
    int total = 0;
    std::vector<std::string> texts;  // what its run showed, in order
    std::string out;                 // its standard output (with --json, the data)
    bool halfWritten = false;        // interrupted after something was sent
    int64_t startedMs = 0;           // on the run's clock
    int64_t endedMs = 0;
    // The pace after the first packet (which the host follows with a long
    // pause): from the first progress past it.
    int paceFrom = 0;
    int64_t paceFromMs = 0;
    // Milliseconds left at the pace since then; -1 while it cannot be told.
    int64_t LeftMs(int64_t nowMs) const;
};

class FleetRun : public QObject {
    Q_OBJECT
  public:
    // `jobs` 0: every host at once.
    FleetRun(WorkerPlan plan, int jobs);
    ~FleetRun() override;

    // Queues the host; its worker starts as soon as a job is free. Its index.
    std::size_t Add(const FleetHost& host);
    // Ctrl-C for every worker (a transfer stops between two packets); the
    // hosts that have not started yet never start.
    void Interrupt();
    bool Busy() const;
    const std::vector<HostRun>& hosts() const { return hosts_; }
    // Milliseconds since the run was made.
    int64_t NowMs() const;

  signals:
    void begun(std::size_t index);
    void changed(std::size_t index);  // a new step, progress
    void ended(std::size_t index);
    void idle();

  private:
    struct Worker;
    void StartWaiting();
    void Start(std::size_t index);
    void Take(std::size_t index, const std::string& line);
    void Finish(std::size_t index, int exitCode, bool crashed);

    WorkerPlan plan_;
    int jobs_;
    bool interrupted_ = false;
    std::vector<HostRun> hosts_;
    std::vector<std::unique_ptr<Worker>> workers_;
    int64_t epochMs_;
};

}  // namespace korvane::fleet

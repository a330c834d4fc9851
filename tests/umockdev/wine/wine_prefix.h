#pragma once
// A scratch wine prefix booted inside the mock environment, and the programs
// of the Windows build run in it. Its services (wineserver, and the driver
// host whose winebus reads the mocked hidraw nodes) start from this process,
// so they inherit umockdev's preload and see the testbed's devices; a console
// kept open on a pipe holds them up from one program to the next.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvane::testing {

struct RunResult {
    int status = -1;  // exit status; -1 when it had to be killed
    bool timedOut = false;
    std::string out;
    std::string err;
    double cpuSeconds = 0;  // of the program's own process (user + system)
    int64_t wallMs = 0;
};

// A program running under wine, its output collected as it comes.
class WineProcess {
  public:
    WineProcess(pid_t pid, int outFd, int errFd);
    ~WineProcess();
    WineProcess(const WineProcess&) = delete;
    WineProcess& operator=(const WineProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Until `text` shows on standard output or error; false at the time-out
    // or when the program ended without it.
    bool WaitForOutput(const std::string& text, int timeoutMs);
    bool Running();
    // Until it ends; killed (with everything it started) after timeoutMs.
    RunResult Wait(int timeoutMs);
    std::string OutputSoFar();

  private:
    void Collect();
    bool Reap(bool block);

    pid_t pid_;
    int outFd_;
    int errFd_;
    int64_t startMs_;
    std::mutex mutex_;
    std::string out_, err_;
    bool exited_ = false;
    int status_ = -1;
    double cpu_ = 0;
    std::thread reader_;
};

// CPU seconds of the prefix's services, summed over their processes.
struct ServiceCpu {
    double wineserver = 0;
    double driverHost = 0;  // the driver host that runs winebus
};

class WinePrefix {
  public:
    // buildDir: the Windows build (its programs, and the Qt beside them);
    // dir: where the prefix goes (replaced). Boots the prefix from a template
    // made once per build, with winebus told to read hidraw nodes.
    WinePrefix(std::string buildDir, std::string dir);
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // argv[0] a Linux path of a program; file arguments need WindowsPath.
    std::unique_ptr<WineProcess> Start(const std::vector<std::string>& argv);
    RunResult Run(const std::vector<std::string>& argv, int timeoutMs = 120000);

    static std::string WindowsPath(const std::string& linuxPath);
    const std::string& BuildDir() const { return build_; }
    ServiceCpu ServicesCpu() const;

  private:
    static void MakeTemplate(const std::string& build, const std::string& templ);
    std::vector<std::string> Environment() const;

    std::string build_;
    std::string dir_;
    pid_t keeper_ = -1;
    int keeperIn_ = -1;
};

// The program at `path` under the repository's scripts, wherever the harness runs.
std::string RepositoryPath(const std::string& path);

}  // namespace korvane::testing

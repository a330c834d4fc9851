#include "wine_prefix.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace korvane::testing {

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Runs argv to its end with the given environment; its output goes to the
// harness's own standard error only when it fails.
int RunQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<char*> a;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    std::vector<char*> e;
    for (const std::string& s : env) e.push_back(const_cast<char*>(s.c_str()));
    e.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        if (!std::getenv("KORVANE_HARNESS_VERBOSE")) ::dup2(null, 2);
        ::execve(a[0], a.data(), e.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// utime + stime of a process, in seconds.
double ProcessCpu(const std::string& pid) {
    const std::string stat = ReadFile("/proc/" + pid + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::strtoull(f.c_str(), nullptr, 10);
        if (i == 15) stime = std::strtoull(f.c_str(), nullptr, 10);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace

std::string RepositoryPath(const std::string& path) {
    return std::string(KORVANE_SOURCE_DIR) + "/" + path;
}

// ---- WineProcess

WineProcess::WineProcess(pid_t pid, int outFd, int errFd)
    : pid_(pid), outFd_(outFd), errFd_(errFd), startMs_(NowMs()) {
    reader_ = std::thread([this] { Collect(); });
}

WineProcess::~WineProcess() {
    if (Running()) {
        ::kill(-pid_, SIGKILL);
        Reap(true);
    }
    if (reader_.joinable()) reader_.join();
    ::close(outFd_);
    ::close(errFd_);
}

// Reads both pipes until the program has ended and nothing more is waiting.
// The program's children (wine starts some) may keep the pipes open after
// it ends, so the end is the program's, not the pipes'.
void WineProcess::Collect() {
    for (;;) {
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, 50);
        bool got = false;
        if (n > 0) {
            for (int i = 0; i < 2; ++i) {
                if ((fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
                char buf[4096];
                const ssize_t r = ::read(fds[i].fd, buf, sizeof buf);
                if (r <= 0) {
                    fds[i].fd = -1;
                    continue;
                }
                got = true;
                std::lock_guard<std::mutex> lock(mutex_);
                (i == 0 ? out_ : err_).append(buf, static_cast<std::size_t>(r));
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (exited_ && !got) return;
    }
}

bool WineProcess::Reap(bool block) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (exited_) return true;
    int status = 0;
    rusage usage{};
    pid_t r;
    do {
        r = ::wait4(pid_, &status, block ? 0 : WNOHANG, &usage);
    } while (r < 0 && errno == EINTR);
    if (r != pid_) return false;
    exited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    cpu_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return true;
}

bool WineProcess::Running() { return !Reap(false); }

std::string WineProcess::OutputSoFar() {
    std::lock_guard<std::mutex> lock(mutex_);
    return out_ + err_;
}

bool WineProcess::WaitForOutput(const std::string& text, int timeoutMs) {
    const int64_t end = NowMs() + timeoutMs;
    for (;;) {
        if (OutputSoFar().find(text) != std::string::npos) return true;
        if (!Running() || NowMs() >= end) return OutputSoFar().find(text) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

RunResult WineProcess::Wait(int timeoutMs) {
    RunResult result;
    const int64_t end = NowMs() + timeoutMs;
    while (Running()) {
        if (NowMs() >= end) {
            result.timedOut = true;
            ::kill(-pid_, SIGKILL);
            Reap(true);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.wallMs = NowMs() - startMs_;
    if (reader_.joinable()) reader_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    result.status = result.timedOut ? -1 : status_;
    result.out = out_;
    result.err = err_;
    result.cpuSeconds = cpu_;
    return result;
}

// ---- WinePrefix

std::vector<std::string> WinePrefix::Environment() const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "KORVANE_WINEPREFIX=", 19) != 0) env.emplace_back(*e);
    }
    env.push_back("KORVANE_WINEPREFIX=" + dir_);
    return env;
}

void WinePrefix::MakeTemplate(const std::string& build, const std::string& templ) {
    const std::string stamp = templ + "/.korvane-ready";
    if (Exists(stamp)) return;
    // Groups that start together make it once.
    RunQuietly({"/bin/mkdir", "-p", templ.substr(0, templ.rfind('/'))}, {});
    const int lock = ::open((templ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + templ);
    struct Unlock {
        int fd;
        ~Unlock() { ::close(fd); }
    } unlock{lock};
    if (Exists(stamp)) return;
    RunQuietly({"/bin/rm", "-rf", templ}, {});
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back("KORVANE_WINEPREFIX=" + templ);
    env.push_back("WINEPREFIX=" + templ);
    const std::string run = RepositoryPath("scripts/wine-run.sh");
    RunQuietly({run, build, "wineboot.exe", "-i"}, env);
    // winebus reads hidraw nodes only when its SDL bus is off; there is no
    // SDL library here to turn it off by itself failing.
    RunQuietly({run, build, "reg.exe", "add", "HKLM\\System\\CurrentControlSet\\Services\\winebus",
                "/v", "Enable SDL", "/t", "REG_DWORD", "/d", "0", "/f"},
               env);
    RunQuietly({"/usr/lib/wine/wineserver", "-w"}, env);
    if (!Exists(templ + "/system.reg"))
        throw std::runtime_error("wine did not make a prefix in " + templ);
    std::ofstream(stamp) << "ready\n";
}

WinePrefix::WinePrefix(std::string buildDir, std::string dir)
    : build_(std::move(buildDir)), dir_(std::move(dir)) {
    const std::string templ = build_ + "/winehid/template";
    MakeTemplate(build_, templ);
    // A copy of its own whose files are links to the template's, but for the
    // registry, which wine rewrites.
    RunQuietly({"/bin/rm", "-rf", dir_}, {});
    RunQuietly({"/bin/mkdir", "-p", dir_.substr(0, dir_.rfind('/'))}, {});
    if (RunQuietly({"/bin/cp", "-al", templ, dir_}, {}) != 0)
        throw std::runtime_error("cannot copy the wine prefix to " + dir_);
    for (const char* reg : {"system.reg", "user.reg", "userdef.reg"}) {
        const std::string f = dir_ + "/" + reg;
        RunQuietly({"/bin/cp", "--remove-destination", templ + "/" + reg, f}, {});
    }

    // The console that holds the services up until the prefix goes.
    int in[2];
    if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const std::vector<std::string> env = Environment();
    const std::string run = RepositoryPath("scripts/wine-run.sh");
    // What wine's services print (their start, and their traces when
    // KORVANE_WINEDEBUG asks for some) goes to a log beside the prefix.
    const std::string log = dir_ + ".log";
    keeper_ = fork();
    if (keeper_ == 0) {
        ::setpgid(0, 0);
        ::dup2(in[0], 0);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        std::vector<char*> a = {const_cast<char*>(run.c_str()), const_cast<char*>(build_.c_str()),
                                const_cast<char*>("cmd.exe"), nullptr};
        std::vector<char*> e;
        for (const std::string& s : env) e.push_back(const_cast<char*>(s.c_str()));
        e.push_back(nullptr);
        ::execve(a[0], a.data(), e.data());
        ::_exit(127);
    }
    ::close(in[0]);
    keeperIn_ = in[1];
}

WinePrefix::~WinePrefix() {
    if (keeperIn_ >= 0) ::close(keeperIn_);
    std::vector<std::string> env = Environment();
    env.push_back("WINEPREFIX=" + dir_);
    RunQuietly({"/usr/lib/wine/wineserver", "-k"}, env);
    if (keeper_ > 0) {
        ::kill(-keeper_, SIGKILL);
        int status = 0;
        ::waitpid(keeper_, &status, 0);
    }
}

std::unique_ptr<WineProcess> WinePrefix::Start(const std::vector<std::string>& argv) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const std::vector<std::string> env = Environment();
    const std::string run = RepositoryPath("scripts/wine-run.sh");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<char*> a = {const_cast<char*>(run.c_str()), const_cast<char*>(build_.c_str())};
        for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
        a.push_back(nullptr);
        std::vector<char*> e;
        for (const std::string& s : env) e.push_back(const_cast<char*>(s.c_str()));
        e.push_back(nullptr);
        ::execve(a[0], a.data(), e.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    return std::make_unique<WineProcess>(pid, out[0], err[0]);
}

RunResult WinePrefix::Run(const std::vector<std::string>& argv, int timeoutMs) {
    return Start(argv)->Wait(timeoutMs);
}

std::string WinePrefix::WindowsPath(const std::string& linuxPath) {
    std::string p = "Z:" + linuxPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

ServiceCpu WinePrefix::ServicesCpu() const {
    ServiceCpu cpu;
    const std::string mine = "WINEPREFIX=" + dir_;
    DIR* proc = ::opendir("/proc");
    if (!proc) return cpu;
    while (dirent* d = ::readdir(proc)) {
        const std::string pid = d->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string environ = ReadFile("/proc/" + pid + "/environ");
        bool ours = false;
        for (std::size_t at = 0; at < environ.size();) {
            const std::size_t end = environ.find('\0', at);
            const std::string var = environ.substr(at, end - at);
            if (var == mine) ours = true;
            if (end == std::string::npos) break;
            at = end + 1;
        }
        if (!ours) continue;
        std::string comm = ReadFile("/proc/" + pid + "/comm");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        if (comm.rfind("wineserver", 0) == 0) {
            cpu.wineserver += ProcessCpu(pid);
        } else if (comm == "winedevice.exe" &&
                   ReadFile("/proc/" + pid + "/maps").find("winebus") != std::string::npos) {
            cpu.driverHost += ProcessCpu(pid);
        }
    }
    ::closedir(proc);
    return cpu;
}

}  // namespace korvane::testing

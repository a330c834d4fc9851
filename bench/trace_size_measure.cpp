// The size of the trace of a full sound area: a download of 3,145,728 bytes
// of audio into the emulated host, in virtual time, with the trace on.
// Prints the reports exchanged, the trace's lines and bytes, and the time
// the trace's writes took on the real clock.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/null_operator.h"
#include "operations/voice_ops.h"
#include "session/host_session.h"

int main() {
    using namespace korvane;
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("korvane-trace-size-" + std::to_string(::getpid()));
    fs::create_directories(dir / "sounds");
    fs::create_directories(dir / "staging");
    ::setenv("KORVANE_STAGING_DIR", (dir / "staging").c_str(), 1);
    // Three sounds that fill the area up to its limit, with their headers.
    const std::size_t audio = 3145728 / 3 - 64;
    for (int n = 0; n < 3; ++n) {
        std::string wav("RIFF\0\0\0\0WAVEfmt ", 16);
        for (std::size_t i = 16; i < audio; ++i) wav.push_back(static_cast<char>(i * 31 + n));
        std::ofstream(dir / "sounds" / ("s" + std::to_string(n) + ".wav"), std::ios::binary) << wav;
    }
    VirtualClock clock;
    bench::NullOperator op;
    op.folder = (dir / "sounds").string();
    SessionOptions options;
    options.emulate = {LampModel::Rt221};
    options.trace = (dir / "trace.jsonl").string();
    options.program = "trace_size_measure";
    bool ok = false;
    const auto wall0 = std::chrono::steady_clock::now();
    unsigned long reports = 0;
    {
        HostSession session(clock, op, options);
        ok = session.RunOperation("voice download custom", [&] {
            return ops::DownloadVoice(session.context(), ops::SoundArea::Custom);
        });
        reports = session.ReportsWritten();
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    std::ifstream in(dir / "trace.jsonl", std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    const auto bytes = fs::file_size(dir / "trace.jsonl");
    std::printf(
        "download %s: %lu reports written, %zu trace lines, %llu bytes (%.2f MB), "
        "%.1f bytes a line; %.2f s on the real clock, %.1f us a line\n",
        ok ? "succeeded" : "FAILED", reports, lines, static_cast<unsigned long long>(bytes),
        static_cast<double>(bytes) / (1024.0 * 1024.0),
        static_cast<double>(bytes) / static_cast<double>(lines), wall,
        wall * 1e6 / static_cast<double>(lines));
    fs::remove_all(dir);
    return ok ? 0 : 1;
}

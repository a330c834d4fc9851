// The figures of a sound download through wine's HID stack, beside the same
// download on the emulated link (under wine and on Linux) and the pauses the
// procedure must keep.
#include "figures.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "harness.h"
#include "protocol/bulk_transfer.h"

namespace korvane::testing {

namespace {

constexpr std::size_t kPayload = 54;  // bytes of image per packet
constexpr std::size_t kHeader = 32;   // of a sound entry

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string LineStarting(const std::string& text, const std::string& start) {
    const std::size_t at = text.find(start);
    return at == std::string::npos ? std::string() : FirstLine(text.substr(at));
}

// The Linux program's line, or why there is none.
std::string RunLinux(const std::string& program, int packets) {
    if (program.empty()) return "(no Linux build given: --linux-bench PATH)";
    const std::string command = program + " download " + std::to_string(packets) + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return "(cannot run " + program + ")";
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe.get())) out += buf;
    return FirstLine(out) + "\n    " + LineStarting(out, "pause overshoot");
}

}  // namespace

int RunFigures(int packets, const std::string& linuxBench) {
    if (packets < 2) packets = 820;
    NamePrefix("figures");
    Prefix();
    EmulatedNode host(Device(0x0483, 0x7890));
    if (!AwaitListed(host)) return 1;

    // One sound that fills the packets exactly.
    const std::string folder = EmptyFolder("figures");
    WriteWave(folder + "/fire.wav", static_cast<std::size_t>(packets) * kPayload - kHeader, 0x52);

    // What a run that sends one command costs, to tell the download's own CPU.
    const Cli base = RunCli({"frequency", "get"});
    const ServiceCpu before = Prefix().ServicesCpu();
    const Cli run = RunCli({"voice", "download", "custom", WinePrefix::WindowsPath(folder)});
    const ServiceCpu after = Prefix().ServicesCpu();
    if (run.status != 0) {
        std::fprintf(stderr, "figures: the download failed:\n%s%s", run.out.c_str(),
                     run.err.c_str());
        return 1;
    }
    const double minimum = static_cast<double>(
        BulkSendPausesMs(Code(LampCommand::DownloadVoice), static_cast<std::size_t>(packets)));
    const double n = packets;
    // At the host: the first packet in to the last one, and the pause the
    // sender keeps after it before it asks for the acknowledgement.
    const double span = static_cast<double>(host.LastPacketMs() - host.FirstPacketMs()) + 10.0;

    const HostEmulator::Pacing pacing = host.Pacing();

    const RunResult underWine =
        Prefix().Run({Program("bench/bulk_measure.exe"), "download", std::to_string(packets)});

    std::printf("Sound download of %d packets; the pauses the sender must keep: %.0f ms\n", packets,
                minimum);
    std::printf(
        "  wine HID stack, korvane-cli.exe: %.0f ms from the first packet to the last "
        "and its pause (%+.2f%%, %.3f ms a packet); the whole run %lld ms\n",
        span, 100.0 * (span - minimum) / minimum, (span - minimum) / n,
        static_cast<long long>(run.wallMs));
    std::printf(
        "  at the host: the shortest gap between two later packets %.3f ms, the least time to "
        "spare over the host's need %.3f ms, %d packets before their time\n",
        static_cast<double>(pacing.shortestNextGapUs) / 1000.0,
        static_cast<double>(pacing.shortestMarginUs) / 1000.0, pacing.tooSoon);
    const std::string wineOut = Unix(underWine.out);
    std::printf("  emulated link under wine, bulk_measure.exe: %s\n    %s\n",
                FirstLine(wineOut).c_str(), LineStarting(wineOut, "pause overshoot").c_str());
    std::printf("  emulated link on Linux, bulk_measure: %s\n",
                RunLinux(linuxBench, packets).c_str());
    std::printf("CPU per packet through the stack (process CPU time):\n");
    std::printf("  korvane-cli.exe: %.1f us (%.3f s in all, %.3f s for a one-command run)\n",
                1e6 * (run.cpuSeconds - base.cpuSeconds) / n, run.cpuSeconds, base.cpuSeconds);
    std::printf("  wineserver: %.1f us\n", 1e6 * (after.wineserver - before.wineserver) / n);
    std::printf("  driver host (winedevice.exe with winebus): %.1f us\n",
                1e6 * (after.driverHost - before.driverHost) / n);
    return 0;
}

int RunFleetFigures(int packets) {
    if (packets < 2) packets = 820;
    NamePrefix("fleet-figures");
    Prefix();
    EmulatedNode first(Device(0x0483, 0x7890));
    EmulatedNode second(Device(0x0483, 0x7890));
    if (!AwaitListed(first) || !AwaitListed(second)) return 1;
    const std::string folder = EmptyFolder("fleet-figures");
    WriteWave(folder + "/fire.wav", static_cast<std::size_t>(packets) * kPayload - kHeader, 0x52);
    const std::string sounds = WinePrefix::WindowsPath(folder);
    const Cli one = RunCli(
        {"--device", "serial:" + first.identity().serial, "voice", "download", "custom", sounds},
        600000);
    const Cli both = RunCli({"--device", "all", "voice", "download", "custom", sounds}, 600000);
    if (one.status != 0 || both.status != 0) {
        std::fprintf(stderr, "fleet figures: a download failed:\n%s%s%s%s", one.out.c_str(),
                     one.err.c_str(), both.out.c_str(), both.err.c_str());
        return 1;
    }
    std::printf("Sound download of %d packets through wine's HID stack, korvane-cli.exe:\n",
                packets);
    std::printf(
        "  one host alone: %lld ms; two hosts at once (--device all): %lld ms, %.2f times\n",
        static_cast<long long>(one.wallMs), static_cast<long long>(both.wallMs),
        static_cast<double>(both.wallMs) / static_cast<double>(one.wallMs));
    std::printf(
        "  CPU of the run (korvane-cli.exe and its workers): %.2f s alone, %.2f s for two\n",
        one.cpuSeconds, both.cpuSeconds);
    return 0;
}

}  // namespace korvane::testing

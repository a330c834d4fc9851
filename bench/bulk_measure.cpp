// Bulk-transfer figures without a benchmark library, so that they can be
// taken on Windows as on Linux.
//
//   bulk_measure cpu [PACKETS]       CPU per packet of a bulk send and a bulk
//                                    read in virtual time: framing, the link,
//                                    the emulator and the staging file, with
//                                    the mandated pauses taken out
//   bulk_measure download [PACKETS]  wall time of one sound download on the
//                                    real clock against the pauses it must
//                                    keep: 5000 ms after the first packet,
//                                    10 ms after each further one, and how
//                                    far past its deadline each pause ended
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/cpu_time.h"
#include "bench/null_operator.h"
#include "common/resource_ids.h"
#include "common/staging.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/hid_link.h"
#include "protocol/bulk_packets.h"
#include "protocol/bulk_transfer.h"
#include "protocol/sound_image.h"

namespace korvane::bench {
namespace {

template <typename ClockType>
struct Rig {
    ClockType clock;
    HostEmulator host{clock, 0x7890};
    EmulatedBackend backend{host, clock};
    NullOperator op;
    HidLink link{backend, clock, op};
    LampProtocol protocol{link, op, clock};
    Rig() {
        link.pump = [] { return true; };
    }
};

// Repeats `once` until a second of CPU has gone, at least three times.
template <typename Fn>
double CpuPerPacket(std::size_t packets, Fn once) {
    const double start = ProcessCpuSeconds();
    int runs = 0;
    while (runs < 3 || ProcessCpuSeconds() - start < 1.0) {
        if (!once()) return -1.0;
        ++runs;
    }
    return (ProcessCpuSeconds() - start) / (runs * static_cast<double>(packets));
}

int Cpu(std::size_t packets) {
    const auto readPath = StagingPath(kReadFileName);
    if (!readPath) {
        std::fprintf(stderr, "bulk_measure: no staging folder\n");
        return 1;
    }
    Rig<VirtualClock> send;
    const Bytes image(packets * kPacketPayload, 0x5C);
    const double sendCpu = CpuPerPacket(packets, [&] {
        const bool ok = send.protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "") == 1;
        send.host.received.clear();
        send.host.handled.clear();
        return ok;
    });
    Rig<VirtualClock> read;
    read.host.basicParams.assign(packets * kPacketPayload, 0x3A);
    const double readCpu = CpuPerPacket(packets, [&] {
        const bool ok = read.protocol.BulkReadToFile(0xD2, *readPath, "") == 1;
        read.host.received.clear();
        read.host.handled.clear();
        return ok;
    });
    RemoveFile(*readPath);
    if (sendCpu < 0 || readCpu < 0) {
        std::fprintf(stderr, "bulk_measure: a transfer failed\n");
        return 1;
    }
    std::printf("bulk send, %zu packets: %.2f us CPU per packet\n", packets, sendCpu * 1e6);
    std::printf("bulk read, %zu packets: %.2f us CPU per packet\n", packets, readCpu * 1e6);
    return 0;
}

// How far past its deadline each pause between two packets ended.
void PrintOvershoot(std::vector<double> ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    auto at = [&ms](double q) {
        return ms[std::min(ms.size() - 1,
                           static_cast<std::size_t>(q * static_cast<double>(ms.size())))];
    };
    std::printf("pause overshoot: median %.3f ms, p99 %.3f ms, max %.3f ms (%zu pauses)\n", at(0.5),
                at(0.99), ms.back(), ms.size());
}

int Download(std::size_t packets) {
    SystemClock clock;
    HostEmulator host(clock, 0x7890);
    EmulatedBackend backend(host, clock);
    // The result line goes up once the packets are all out and acknowledged;
    // only its one-second showing is left.
    NullOperator op;
    std::chrono::steady_clock::time_point resultAt{};
    op.onText = [&resultAt](int id) {
        if (id == ids::kProgressOutcome) resultAt = std::chrono::steady_clock::now();
    };
    HidLink link(backend, clock, op);
    link.pump = [] { return true; };
    LampProtocol protocol(link, op, clock);
    std::vector<double> overshootMs;
    overshootMs.reserve(packets);
    protocol.onPacketPause = [&overshootMs](int64_t neededUs, int64_t keptUs) {
        overshootMs.push_back(static_cast<double>(keptUs - neededUs) / 1000.0);
    };
    // One sound that fills the packets exactly, so the host takes the image.
    const Bytes sound(packets * kPacketPayload - kSoundHeader, 0x52);
    const Bytes image = EncodeSoundEntry("fire", sound.data(), sound.size());
    const uint8_t cmd = Code(LampCommand::DownloadVoice);
    const double cpu0 = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int r = protocol.BulkSendBuffer(cmd, image.data(), image.size(), "");
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double, std::milli>(resultAt - start).count();
    const double minimum = static_cast<double>(BulkSendPausesMs(cmd, packets));
    std::printf(
        "download of %zu packets: result %d, wall %.0f ms to the result line, mandated pauses "
        "%.0f ms, over by %.0f ms (%.2f%%, %.3f ms per packet), cpu %.3f s\n",
        packets, r, wall, minimum, wall - minimum, 100.0 * (wall - minimum) / minimum,
        (wall - minimum) / static_cast<double>(packets), cpu);
    PrintOvershoot(overshootMs);
    return r == 1 ? 0 : 1;
}

}  // namespace
}  // namespace korvane::bench

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    const long given = argc > 2 ? std::atol(argv[2]) : 0;
    if (std::strcmp(mode, "cpu") == 0)
        return korvane::bench::Cpu(given > 0 ? static_cast<std::size_t>(given) : 10000);
    if (std::strcmp(mode, "download") == 0)
        return korvane::bench::Download(given > 0 ? static_cast<std::size_t>(given) : 820);
    std::fprintf(stderr, "usage: bulk_measure cpu [PACKETS] | bulk_measure download [PACKETS]\n");
    return 2;
}

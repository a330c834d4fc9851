// CPU cost of the bulk paths per packet, against the emulated host. The
// virtual clock takes the mandated pauses out, so what remains is framing,
// the link, the emulator and the staging file.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/null_operator.h"
#include "common/staging.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/hid_link.h"
#include "protocol/bulk_transfer.h"

namespace korvane::bench {
namespace {

struct Rig {
    VirtualClock clock;
    HostEmulator host{clock, 0x1234};
    EmulatedBackend backend{host, clock};
    NullOperator op;
    HidLink link{backend, clock, op};
    LampProtocol protocol{link, op, clock};
    int pumps = 0;
    Rig() {
        link.pump = [this] {
            ++pumps;
            return true;
        };
    }
};

std::string ScratchDir() {
    static std::string dir = [] {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
        const char* made = mkdtemp(tmpl.data());
        std::string d = made != nullptr ? made : "";
        setenv("KORVANE_STAGING_DIR", d.c_str(), 1);
        return d;
    }();
    return dir;
}

void BM_BulkSendPerPacket(benchmark::State& state) {
    ScratchDir();
    Rig rig;
    const std::size_t packets = static_cast<std::size_t>(state.range(0));
    const Bytes image(packets * 54, 0x5C);
    for (auto _ : state) {
        const int r = rig.protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序");
        if (r != 1) state.SkipWithError("send failed");
        rig.host.received.clear();
        rig.host.handled.clear();
    }
    state.counters["packets"] = static_cast<double>(packets);
    state.counters["per_packet"] =
        benchmark::Counter(static_cast<double>(packets) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_BulkReadPerPacket(benchmark::State& state) {
    const std::string dir = ScratchDir();
    Rig rig;
    const std::size_t packets = static_cast<std::size_t>(state.range(0));
    rig.host.basicParams.assign(packets * 54, 0x3A);
    const std::string path = dir + "/RHost.txt";
    for (auto _ : state) {
        const int r = rig.protocol.BulkReadToFile(0xD2, path, "");
        if (r != 1) state.SkipWithError("read failed");
        rig.host.received.clear();
        rig.host.handled.clear();
    }
    state.counters["packets"] = static_cast<double>(packets);
    state.counters["per_packet"] =
        benchmark::Counter(static_cast<double>(packets) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_BulkSendPerPacket)->Arg(100)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BulkReadPerPacket)->Arg(100)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane::bench

BENCHMARK_MAIN();

// What a long reply wait costs the processor on the real clock: a format
// command against the emulated host, whose answer comes after the given
// seconds, waited for in the link's 20 ms slices. Prints the CPU share of
// one core over the wait.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/cpu_time.h"
#include "bench/null_operator.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/hid_link.h"
#include "protocol/transaction.h"

int main(int argc, char** argv) {
    using namespace korvane;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    SystemClock clock;
    HostEmulator host(clock, 0x1234);
    host.formatDelayMs = static_cast<int>(seconds * 1000);
    EmulatedBackend backend(host, clock);
    bench::NullOperator op;
    HidLink link(backend, clock, op);
    long pumps = 0;
    link.pump = [&] {
        ++pumps;
        return true;
    };
    LampProtocol protocol(link, op, clock);
    const uint8_t request[4] = {0x01, 0xD6, 0x00, 0x28};

    const double cpu0 = bench::ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    const int r = protocol.SendCommand(1, 4, request);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = bench::ProcessCpuSeconds() - cpu0;

    std::printf(
        "format reply after %.1f s: result %d, wall %.3f s, cpu %.4f s, %.3f%% of a core, "
        "%ld pumps\n",
        seconds, r, wall, cpu, 100.0 * cpu / wall, pumps);
    std::printf("extrapolated to a 28 s wait: %.4f s of cpu\n", cpu / wall * 28.0);
    return r == 1 ? 0 : 1;
}

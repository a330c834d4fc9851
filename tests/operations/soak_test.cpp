// Thousands of operations in a row against a host that misbehaves at random
// (seeded, so a failure can be replayed): each one returns, none leaves a
// staging file or a pending state behind, and a healthy host is served at once.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <random>

#include "tests/operations/fault_rig.h"
#include "tests/support/process_memory.h"

namespace korvane::test {
namespace {

constexpr uint32_t kSeed = 20261207;
constexpr int kOperations = 5000;

// "...,共有N包数据,当前第i包数据..." -> (N, i).
std::pair<int, int> PacketOf(const std::string& line) {
    int total = 0, current = 0;
    const auto at = line.find("共有");
    if (at != std::string::npos)
        std::sscanf(line.c_str() + at, "共有%d包数据,当前第%d包数据", &total, &current);
    return {total, current};
}

class SoakTest : public FaultRig {
  protected:
    // A bigger image and folder than the matrix uses, so cancels land mid-way.
    void SetUp() override {
        FaultRig::SetUp();
        WriteFile(firmware, Counting(400));  // 8 packets
        WriteFile(*op.folderAnswer + "/c.wav", Counting(250));
    }
};

TEST_F(SoakTest, RandomFaultsNeverLeaveAStuckState) {
    std::mt19937 rng(kSeed);
    const auto& operations = Operations();
    const Operation& probe = operations[0];  // initialise: one request, one reply
    int failures = 0, cancels = 0, stragglers = 0;
    long warmKiB = 0;
    const long startKiB = ResidentKiB();

    for (int n = 0; n < kOperations; ++n) {
        const Operation& o = operations[rng() % operations.size()];
        const bool faulty = rng() % 2 == 0;
        const Fault fault = kFaults[rng() % std::size(kFaults)];
        const bool cancel = rng() % 8 == 0;
        SCOPED_TRACE("seed " + std::to_string(kSeed) + ", operation " + std::to_string(n) + ": " +
                     o.name + (faulty ? std::string(" under ") + FaultName(fault) : "") +
                     (cancel ? " with a cancel" : ""));

        host.received.clear();
        host.handled.clear();
        op.Clear();
        // A cancel pressed between two packets of a transfer.
        bool pressed = false;
        op.onProgress = [&](const OperatorEvent& e) {
            if (!cancel || e.kind != OperatorEvent::Kind::ProgressText || e.value != 1001) return;
            const auto [total, current] = PacketOf(e.text);
            if (current >= 1 && current < total) {
                protocol.OnCancelRequest(1);
                pressed = true;
            }
        };
        if (faulty) Arm(fault);
        const int64_t start = clock.NowMs();
        const bool ok = o.run(ctx);
        op.onProgress = nullptr;
        if (!ok) ++failures;
        if (pressed) ++cancels;

        // Every operation ends, within the longest wait it may make.
        ASSERT_LT(clock.NowMs() - start, 60000);
        ASSERT_FALSE(op.ProgressIsOpen());
        ASSERT_FALSE(link.busy());
        // A cancel the transfer never came back to (it failed first) may be
        // left behind; the next operation starts without it.
        if (protocol.cancelRequested != 0) {
            ASSERT_FALSE(ok);
        }
        ASSERT_FALSE(StagingLeftovers());
        if (!faulty && !pressed) {
            ASSERT_TRUE(ok) << ::testing::PrintToString(op.BoxLines());
        }

        // The host is healthy again, and the next click is served. A transfer
        // cancelled after its last packet leaves the host's acknowledgement on
        // its way, late too under a late-reply fault; the operator has waited
        // until the host is quiet, and the link drops it as stale.
        Heal();
        clock.SleepMs(500);
        if (host.NextReplyTime()) ++stragglers;
        while (const auto t = host.NextReplyTime()) {
            clock.AdvanceTo(*t);
            link.DiscardStaleInput();
        }
        op.Clear();
        ASSERT_TRUE(probe.run(ctx)) << ::testing::PrintToString(op.BoxLines());
        if (n == 200) warmKiB = ResidentKiB();
    }
    const long endKiB = ResidentKiB();
    std::cout << "soak: " << kOperations << " operations (" << failures << " failed, " << cancels
              << " with a cancel, " << stragglers << " leaving a late reply) and as many probes; "
              << "resident " << startKiB << " KiB at start, " << warmKiB << " KiB after 200, "
              << endKiB << " KiB at the end\n";
    RecordProperty("resident_kib_after_warmup", std::to_string(warmKiB));
    RecordProperty("resident_kib_at_end", std::to_string(endKiB));
    EXPECT_GT(failures, kOperations / 10);
#if !defined(__SANITIZE_ADDRESS__)
    // Nothing accumulates per operation (the sanitizer build's quarantine would blur this).
    EXPECT_LT(endKiB - warmKiB, 8 * 1024);
#endif
}

}  // namespace
}  // namespace korvane::test

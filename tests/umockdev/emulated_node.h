#pragma once
// An emulated host behind a mocked hidraw node, on the real clock: what a
// program writes to the node goes to HostEmulator, and its replies are put
// on the node when they are due, by a thread of the node's own, so the
// program on the other side (wine's HID stack, or hidapi) sees a host that
// answers on time whatever the test thread does.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "common/clock.h"
#include "emulator/host_emulator.h"
#include "mock_hid_device.h"

namespace korvane::testing {

class EmulatedNode {
  public:
    // A host of identity.productId on /dev/hidraw<identity.node>.
    explicit EmulatedNode(const MockHidIdentity& identity);
    ~EmulatedNode();
    EmulatedNode(const EmulatedNode&) = delete;
    EmulatedNode& operator=(const EmulatedNode&) = delete;

    // Runs f on the host with its lock held.
    template <typename F>
    auto WithHost(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(host_);
    }
    // Every report the host received, in order (the emulator's log).
    std::vector<Report> Log();
    // Bulk packets the host has taken since it was made, and when (on the
    // steady clock) the first and the last of them came.
    int BulkPackets() const { return bulkPackets_.load(); }
    int64_t FirstPacketMs() const { return firstPacketMs_.load(); }
    int64_t LastPacketMs() const { return lastPacketMs_.load(); }
    // The gaps between bulk packets as they arrived, against what the host needs.
    HostEmulator::Pacing Pacing() {
        return WithHost([](HostEmulator& h) { return h.pacing; });
    }

    // The node goes (a host that vanishes by its faults goes the same way)
    // and comes back with the same host behind it.
    void Unplug();
    void Plug();
    bool Present() const { return mock_.Present(); }
    MockHidDevice& mock() { return mock_; }
    const MockHidIdentity& identity() const { return identity_; }

  private:
    void Deliver();

    SystemClock clock_;
    MockHidIdentity identity_;
    MockHidDevice mock_;
    std::mutex mutex_;
    HostEmulator host_;
    std::atomic<int> bulkPackets_{0};
    std::atomic<int64_t> firstPacketMs_{0};
    std::atomic<int64_t> lastPacketMs_{0};
    std::atomic<bool> vanished_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace korvane::testing

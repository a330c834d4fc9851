#pragma once

// A mocked USB HID device for tests of the real hidraw path: in a umockdev
// testbed, the usb device -> usb interface -> hid device -> hidrawN chain that
// hidapi's hidraw backend (and wine's udev bus) walks, with /dev/hidrawN
// served call by call. Several devices share the process's one testbed.
//
// The process must run under umockdev's preload (see RunUnderUmockdev).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace korvane::testing {

struct MockHidIdentity {
    uint16_t vendorId = 0x0483;
    uint16_t productId = 0x1234;
    std::string manufacturer = "Mock Maker";
    std::string product = "Mock Transceiver";
    std::string serial = "MOCK0001";
    // The node is /dev/hidraw<node>; each device of a process needs its own.
    unsigned node = 0;
    // Empty: the host's own (see MockHidDevice::ReportDescriptor).
    std::vector<uint8_t> reportDescriptor;
    // After a removal, handles still open on the node poll ready and read
    // EIO, as on a hidraw node. A reader that learns of removals from udev
    // alone and polls the node in a loop (wine's bus) would spin on that
    // until it gets to close it; false leaves such handles quiet.
    bool hangUpOnRemoval = true;
    // The device is plugged in and unplugged no sooner than this after the
    // last removal of any device of the process. wine's bus unlinks a
    // removed device from its list twice, once on the uevent and again when
    // the removal reaches the device; a device added, or another removed,
    // in between corrupts that list, and no device added later is seen.
    int quietAfterRemovalMs = 0;
};

// The testbed every mocked device of the process lives in, with the thread
// that makes every testbed call. Made by the first device (or by whoever
// needs the mock environment before any device exists, such as a program
// started under it) and kept while anyone holds it.
class MockHidBus {
  public:
    static std::shared_ptr<MockHidBus> Shared();
    ~MockHidBus();
    MockHidBus(const MockHidBus&) = delete;
    MockHidBus& operator=(const MockHidBus&) = delete;

    // Runs fn on the testbed's thread and waits for it; rethrows what it throws.
    void RunOnLoop(const std::function<void()>& fn);
    UMockdevTestbed* testbed() const { return testbed_; }
    const std::string& RootDir() const { return root_; }

  private:
    MockHidBus();

    std::thread loopThread_;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
};

class MockHidDevice {
  public:
    explicit MockHidDevice(MockHidIdentity identity = {});
    ~MockHidDevice();
    MockHidDevice(const MockHidDevice&) = delete;
    MockHidDevice& operator=(const MockHidDevice&) = delete;

    // Called for every write() on the node, with exactly the bytes written.
    // Runs on umockdev's worker thread; the write completes after it returns.
    std::function<void(const std::vector<uint8_t>&)> onWrite;

    // One input report as the device would deliver it (64 bytes, no report
    // ID). A read waiting for input gets it at once; otherwise the next read.
    void QueueInput(std::vector<uint8_t> report64);
    std::size_t QueuedInputs() const;

    // How many handles are open on the node since it was last plugged in.
    std::size_t OpenHandles() const;
    // How often the report descriptor was asked for since then: a HID
    // stack asks when it takes the device in.
    int DescriptorReads() const;

    // Every write seen so far, in order.
    std::vector<std::vector<uint8_t>> Writes() const;

    // Unplug: "remove" uevents, the sysfs tree and the node go; handles that
    // were open stay dead (reads fail with EIO, writes with ENODEV), as on a
    // real disconnect. Add() plugs the same device in again.
    void Remove();
    void Add();
    bool Present() const;
    // Milliseconds since any device of the process was last removed (a
    // large number when none was).
    static int64_t MsSinceAnyRemoval();

    // How an unopenable node refuses.
    enum class Refusal {
        // open(2) fails (EISDIR: a directory stands in for the node; a plain
        // chmod 000 would not stop root). Beware: umockdev 0.17's preload
        // leaks a slot of its 50-entry descriptor table on every failed open
        // of a /dev path and aborts the process on the 50th, so a caller that
        // retries must use the other way.
        kOpenCall,
        // open(2) succeeds but the hidraw descriptor-size query fails, so
        // hid_open_path closes the handle again and returns NULL. No leak.
        kDescriptorQuery,
    };
    // While false, hid_open_path on the node fails, the way `how` says.
    // Remove() ends the refusal along with the node.
    void SetOpenable(bool openable, Refusal how = Refusal::kOpenCall);

    // "/dev/hidraw<node>".
    const std::string& DevNode() const { return devNode_; }
    std::string SysfsPathOfHidraw() const;
    std::string RootDir() const;

    // The host's report descriptor: vendor page, 64-byte input and output
    // reports, no report ID.
    static std::vector<uint8_t> ReportDescriptor();

  private:
    void RunOnLoop(const std::function<void()>& fn) { bus_->RunOnLoop(fn); }
    void AwaitQuiet() const;
    void BuildTree();   // on the loop thread
    void AttachNode();  // on the loop thread
    void ReplaceNodeWithFifo();
    void WakePoll();
    void DrainOneWake();
    void FailPendingReads();

    static int HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static int HandleRead(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static int HandleWrite(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static void ClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static void ClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);

    MockHidIdentity identity_;
    std::string devNode_;
    std::vector<uint8_t> descriptor_;

    std::shared_ptr<MockHidBus> bus_;
    UMockdevTestbed* testbed_ = nullptr;  // the bus's
    UMockdevIoctlBase* handler_ = nullptr;
    std::string usbPath_, interfacePath_, hidPath_, hidrawPath_;
    std::string root_;

    mutable std::mutex mutex_;
    std::deque<std::vector<uint8_t>> inputs_;
    std::vector<std::vector<uint8_t>> writes_;
    std::deque<UMockdevIoctlClient*> pendingReads_;  // each holds a reference
    std::map<UMockdevIoctlClient*, unsigned> clientGeneration_;
    unsigned generation_ = 1;  // bumped by every Remove
    bool present_ = false;
    int wakeFd_ = -1;                // our end of the FIFO that stands in for the node
    std::vector<int> staleWakeFds_;  // FIFOs of earlier plug-ins, kept ready for old handles
    bool attached_ = false;
    bool refuseDescriptor_ = false;
    int descriptorReads_ = 0;
    bool nodeIsDirectory_ = false;
};

// True when umockdev's preload library is loaded into this process.
bool PreloadActive();

// Note for tests of retrying callers: under umockdev 0.17 a process survives
// at most 49 failed open(2) calls on /dev paths (see Refusal::kOpenCall); an
// absent node after Remove() counts too.

// Re-executes the current program under umockdev's preload unless it already
// runs there. Returns only when the caller may go on (in the mock
// environment); exits with an error if the preload cannot be set up.
void RunUnderUmockdev(int argc, char** argv);

}  // namespace korvane::testing

#include "emulated_node.h"

#include <chrono>

namespace korvane::testing {

namespace {

bool IsBulkPacket(const Report& r) {
    // Bulk packets are requests whose command is one of the five bulk sends.
    if (r[1] != 0x55 || r[2] != 0xAA || r[3] != 0x01) return false;
    switch (r[4]) {
        case 0xD1:
        case 0xD3:
        case 0xD5:
        case 0xD9:
        case 0xE2:
            return true;
        default:
            return false;
    }
}

}  // namespace

EmulatedNode::EmulatedNode(const MockHidIdentity& identity)
    : identity_(identity), mock_(identity), host_(clock_, identity.productId) {
    // Packets cross processes and wine's stack on their way here: their
    // arrival jitters, so the gaps are noted, not judged.
    host_.keepsTime = false;
    // The vanish fault unplugs the emulator from inside Receive, on umockdev's
    // worker thread; the node itself is taken away by the delivery thread.
    host_.onPlug = [this](bool arrived) {
        if (!arrived) vanished_ = true;
    };
    mock_.onWrite = [this](const std::vector<uint8_t>& bytes) {
        Report r{};
        for (std::size_t i = 0; i < bytes.size() && i < r.size(); ++i) r[i] = bytes[i];
        std::lock_guard<std::mutex> lock(mutex_);
        if (host_.present() && IsBulkPacket(r)) {
            const int64_t now = clock_.NowMs();
            if (bulkPackets_++ == 0) firstPacketMs_ = now;
            lastPacketMs_ = now;
        }
        host_.Receive(r);
    };
    thread_ = std::thread([this] { Deliver(); });
}

EmulatedNode::~EmulatedNode() {
    stop_ = true;
    thread_.join();
    mock_.onWrite = nullptr;
}

std::vector<Report> EmulatedNode::Log() {
    std::lock_guard<std::mutex> lock(mutex_);
    return host_.received;
}

void EmulatedNode::Unplug() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        host_.onPlug = nullptr;
        host_.Unplug();
        host_.onPlug = [this](bool arrived) {
            if (!arrived) vanished_ = true;
        };
    }
    mock_.Remove();
}

void EmulatedNode::Plug() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        host_.ClearFaults();
        host_.Plug();
    }
    mock_.Add();
}

void EmulatedNode::Deliver() {
    while (!stop_) {
        if (vanished_.exchange(false)) mock_.Remove();
        std::vector<Report> due;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            while (auto reply = host_.TakeReply(clock_.NowMs())) due.push_back(*reply);
        }
        // The node carries reports without the report-ID byte.
        for (const Report& r : due) mock_.QueueInput(std::vector<uint8_t>(r.begin() + 1, r.end()));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace korvane::testing

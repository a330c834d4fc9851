#include "emulator/emulated_backend.h"

#include <algorithm>

#include "common/lamp_model.h"

namespace korvane {

namespace {
constexpr int64_t kStallSliceMs = 20;
}  // namespace

std::vector<HidDeviceInfo> EmulatedBackend::Enumerate() {
    ++enumerations;
    std::vector<HidDeviceInfo> list = devicesBefore;
    if (host_.present()) {
        list.push_back(HidDeviceInfo{pathFailure ? std::string() : std::string(kPath), kHostVendor,
                                     host_.product()});
    }
    list.insert(list.end(), devicesAfter.begin(), devicesAfter.end());
    return list;
}

bool EmulatedBackend::Open(const std::string& path) {
    Close();
    ++opens;
    openedPaths.push_back(path);
    if (openFailure || !host_.present() || path != kPath) return false;
    host_.DropReplies();
    open_ = true;
    return true;
}

void EmulatedBackend::Close() {
    if (!open_) return;
    open_ = false;
    host_.DropReplies();
}

bool EmulatedBackend::ReadAttributes(uint16_t& vendor, uint16_t& product) {
    if (!open_ || attributesFailure || !host_.present()) return false;
    vendor = kHostVendor;
    product = host_.product();
    return true;
}

bool EmulatedBackend::Write(const Report& report, int timeoutMs) {
    ++writes;
    if (!open_ || !host_.present()) return false;
    if (host_.FailThisWrite()) return false;
    if (host_.faults().writeStall) {
        // The write never completes: the caller's time-out runs out in slices.
        const int64_t deadline = clock_.NowMs() + timeoutMs;
        while (clock_.NowMs() < deadline) {
            clock_.SleepMs(std::min(kStallSliceMs, deadline - clock_.NowMs()));
            if (onIdle) onIdle();
        }
        return false;
    }
    host_.Receive(report);
    return true;
}

HidBackend::ReadResult EmulatedBackend::Read(Report& report, int timeoutMs) {
    if (!open_ || !host_.present()) return ReadResult::Error;
    const int64_t now = clock_.NowMs();
    const auto ready = host_.NextReplyTime();
    if (ready && *ready <= now + timeoutMs) {
        if (*ready > now) clock_.SleepMs(*ready - now);
        if (auto r = host_.TakeReply(clock_.NowMs())) {
            report = *r;
            report[0] = 0x00;
            return ReadResult::Ok;
        }
    }
    clock_.SleepMs(timeoutMs);
    return ReadResult::Timeout;
}

}  // namespace korvane

#include "emulator/emulated_backend.h"

#include <algorithm>
#include <cstdio>

#include "common/lamp_model.h"

namespace korvane {

namespace {
constexpr int64_t kStallSliceMs = 20;
}  // namespace

std::string EmulatedBackend::PathOf(std::size_t index) {
    return "emulated:" + std::to_string(index);
}

std::string EmulatedBackend::SerialOf(std::size_t index) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "EMU%04zu", index + 1);
    return serial;
}

std::string EmulatedBackend::PortOf(std::size_t index) {
    return "emulated:" + std::to_string(index + 1);
}

std::vector<HidDeviceInfo> EmulatedBackend::Enumerate() {
    ++enumerations;
    std::vector<HidDeviceInfo> list = devicesBefore;
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
        if (!hosts_[i]->present()) continue;
        list.push_back(HidDeviceInfo{pathFailure ? std::string() : PathOf(i), kHostVendor,
                                     hosts_[i]->product(), SerialOf(i), PortOf(i)});
    }
    list.insert(list.end(), devicesAfter.begin(), devicesAfter.end());
    return list;
}

bool EmulatedBackend::Open(const std::string& path) {
    Close();
    ++opens;
    openedPaths.push_back(path);
    if (openFailure) return false;
    for (std::size_t i = 0; i < hosts_.size(); ++i) {
        if (path != PathOf(i) || !hosts_[i]->present()) continue;
        open_ = hosts_[i];
        open_->DropReplies();
        ++open_->opens;
        return true;
    }
    return false;
}

void EmulatedBackend::Close() {
    if (open_ == nullptr) return;
    open_->DropReplies();
    open_ = nullptr;
}

bool EmulatedBackend::ReadAttributes(uint16_t& vendor, uint16_t& product) {
    if (open_ == nullptr || attributesFailure || !open_->present()) return false;
    vendor = kHostVendor;
    product = open_->product();
    return true;
}

bool EmulatedBackend::Write(const Report& report, int timeoutMs) {
    ++writes;
    if (open_ == nullptr || !open_->present()) return false;
    HostEmulator& host = *open_;
    if (host.FailThisWrite()) return false;
    if (host.faults().writeStall) {
        // The write never completes: the caller's time-out runs out in slices.
        const int64_t deadline = clock_.NowMs() + timeoutMs;
        while (clock_.NowMs() < deadline) {
            clock_.SleepMs(std::min(kStallSliceMs, deadline - clock_.NowMs()));
            if (onIdle) onIdle();
        }
        return false;
    }
    host.Receive(report);
    return true;
}

HidBackend::ReadResult EmulatedBackend::Read(Report& report, int timeoutMs) {
    if (open_ == nullptr || !open_->present()) return ReadResult::Error;
    HostEmulator& host = *open_;
    const int64_t now = clock_.NowMs();
    const auto ready = host.NextReplyTime();
    if (ready && *ready <= now + timeoutMs) {
        if (*ready > now) clock_.SleepMs(*ready - now);
        if (auto r = host.TakeReply(clock_.NowMs())) {
            report = *r;
            report[0] = 0x00;
            return ReadResult::Ok;
        }
    }
    clock_.SleepMs(timeoutMs);
    return ReadResult::Timeout;
}

}  // namespace korvane

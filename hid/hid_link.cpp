#include "hid/hid_link.h"

#include <algorithm>

#include "common/texts.h"
#include "common/transfer_system.h"

namespace korvane {

HidLink::HidLink(HidBackend& backend, Clock& clock, OperatorSeam& op)
    : backend_(backend), clock_(clock), op_(op) {
    backend_.onIdle = [this] { PumpMessages(); };
}

HidLink::~HidLink() { backend_.onIdle = nullptr; }

void HidLink::DiscoveryBox(const char* text) {
    // The box is modal and keeps dispatching events, among them the
    // once-a-second poll that searches again: one box at a time.
    if (boxOpen_) return;
    boxOpen_ = true;
    ShowAppBox(op_, text);
    boxOpen_ = false;
}

int HidLink::FindDevice(Search by) {
    // A search nested in a discovery box would open the handles the outer
    // search is about to judge; the outer one reports for both.
    if (boxOpen_) return 0;
    // Start from nothing: after an unnoticed removal `connected` may still
    // say 1, and a search that examines no device must not pass for success.
    CloseDevice();
    connected = 0;
    const std::vector<HidDeviceInfo> devices = backend_.Enumerate();
    if (std::none_of(devices.begin(), devices.end(),
                     [&](const HidDeviceInfo& d) { return d.path == unopenable_; })) {
        unopenable_.clear();
    }
    for (const HidDeviceInfo& info : devices) {
        if (!ModelOfDevice(info.vendor, info.product)) continue;
        if (!wanted.Matches(info)) continue;
        if (info.path.empty()) {
            DiscoveryBox(texts::kPathError);
            return connected;
        }
        if (!backend_.Open(info.path)) {
            // Polled once a second, a host without access rights would
            // otherwise bring the same box back as soon as it is closed.
            const bool reported = info.path == unopenable_;
            unopenable_ = info.path;
            if (!(reported && by == Search::Poll)) DiscoveryBox(texts::kCannotOpenPort);
            return connected;
        }
        if (info.path == unopenable_) unopenable_.clear();
        uint16_t vendor = 0;
        uint16_t product = 0;
        if (!backend_.ReadAttributes(vendor, product)) {
            CloseDevice();
            DiscoveryBox(texts::kAttributesError);
            return connected;
        }
        if (const std::optional<LampModel> found = ModelOfDevice(vendor, product)) {
            connected = 1;
            model = *found;
            if (onHostFound) onHostFound(model);
            return connected;
        }
        CloseDevice();
    }
    return connected;
}

void HidLink::CloseDevice() { backend_.Close(); }

int HidLink::PumpMessages() {
    // Whatever the front end's pump does (the command line's only looks for
    // Ctrl-C), the thread's queue is looked at in every slice of a wait: a
    // 28 s format wait must not leave the question whether the session may
    // end, or the news that the system goes to sleep, unanswered.
    if (TheTransferSystem().touchQueue) TheTransferSystem().touchQueue();
    if (!pump) return 1;
    return pump() ? 1 : 0;
}

void HidLink::DiscardStaleInput() {
    if (connected != 1 || !backend_.IsOpen()) return;
    Report scrap;
    // Bounded: a host that floods reports must not hold the window.
    for (int i = 0; i < 256; ++i) {
        if (backend_.Read(scrap, 0) != HidBackend::ReadResult::Ok) break;
    }
}

int HidLink::WriteReport(const Report& out) {
    WriteReportUnless(out, nullptr);
    return connected;
}

HidLink::WriteResult HidLink::WriteReportUnless(const Report& out,
                                                const std::function<bool()>& withdrawn) {
    if (connected == 0) {
        connected = FindDevice();
        if (connected != 1) return WriteResult::Failed;
    }
    Report report = out;
    report[0] = 0x00;
    PumpMessages();
    if (withdrawn && withdrawn()) return WriteResult::Withdrawn;
    if (!backend_.IsOpen()) {
        connected = 0;
        return WriteResult::Failed;
    }
    if (!backend_.Write(report, kWriteTimeoutMs)) {
        CloseDevice();
        connected = 0;
    }
    return connected == 1 ? WriteResult::Written : WriteResult::Failed;
}

int HidLink::ReadReport(Report& in, int timeoutMs) {
    if (connected == 0) {
        connected = FindDevice();
        if (connected != 1) return connected;
    }
    if (!backend_.IsOpen()) {
        connected = 0;
        return 0;
    }
    in.fill(0);
    PumpMessages();
    const int64_t deadline = clock_.NowMs() + std::max(timeoutMs, 0);
    bool arrived = false;
    for (;;) {
        const int64_t remaining = deadline - clock_.NowMs();
        if (remaining <= 0) {
            // The events dispatched between two slices may have held the
            // thread past the deadline (a modal box, a file dialog): a reply
            // that came meanwhile is the answer all the same.
            arrived = backend_.Read(in, 0) == HidBackend::ReadResult::Ok;
            break;
        }
        const int slice = static_cast<int>(std::min<int64_t>(remaining, kReadSliceMs));
        const HidBackend::ReadResult r = backend_.Read(in, slice);
        if (r == HidBackend::ReadResult::Ok) {
            arrived = true;
            break;
        }
        if (r == HidBackend::ReadResult::Error) break;
        // A front end that has given up (Ctrl-C on the command line) ends the wait now.
        if (PumpMessages() == 0) break;
    }
    PumpMessages();
    if (!arrived) {
        in.fill(0);
        CloseDevice();
        connected = 0;
    }
    return connected;
}

}  // namespace korvane

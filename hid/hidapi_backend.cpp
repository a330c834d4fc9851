#include "hid/hidapi_backend.h"

#include <fcntl.h>
#include <hidapi.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "common/lamp_model.h"

namespace korvane {

namespace {
constexpr int kWaitSliceMs = 20;

// hidapi 0.13.1 frees the device when the report-descriptor size cannot be
// had and then writes its error text into the freed memory; a node that does
// not answer the question is refused here, before hidapi opens it.
bool AnswersDescriptorSize(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int size = 0;
    const bool ok = ::ioctl(fd, HIDIOCGRDESCSIZE, &size) >= 0;
    ::close(fd);
    return ok;
}
// hidapi's strings are wide (UTF-32 on Linux); the program's are UTF-8.
std::string Utf8(const wchar_t* text) {
    std::string out;
    if (text == nullptr) return out;
    for (; *text != L'\0'; ++text) {
        auto c = static_cast<uint32_t>(std::char_traits<wchar_t>::to_int_type(*text));
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Where the USB device above a hidraw node sits on the bus: its sysname,
// such as "1-1.3" (bus 1, port 1, then port 3 of the hub there). Empty when
// the node has no USB device above it or udev cannot tell.
std::string UsbPort(struct udev* udev, const std::string& devnode) {
    if (udev == nullptr || devnode.rfind("/dev/", 0) != 0) return {};
    const std::string sysname = devnode.substr(5);
    struct udev_device* node =
        udev_device_new_from_subsystem_sysname(udev, "hidraw", sysname.c_str());
    if (node == nullptr) return {};
    std::string port;
    // The parent belongs to the node and goes with it.
    if (struct udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device")) {
        if (const char* name = udev_device_get_sysname(usb)) port = name;
    }
    udev_device_unref(node);
    return port;
}

}  // namespace

// Shared by the caller and the I/O thread. The thread owns the handle's
// closing, so that Close never waits for a write the kernel still holds.
struct HidapiBackend::Channel {
    hid_device* device = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Report> pending;  // handed to the thread, not yet written
    bool writing = false;
    uint64_t requested = 0;  // writes handed over
    uint64_t finished = 0;   // writes that returned
    bool lastOk = false;
    std::string lastError;  // the library's text when the last write failed
    bool closing = false;

    static void Run(std::shared_ptr<Channel> self) {
        std::unique_lock<std::mutex> lock(self->mutex);
        for (;;) {
            self->wake.wait(lock, [&] { return self->pending.has_value() || self->closing; });
            if (self->pending) {
                Report out = *self->pending;
                self->pending.reset();
                self->writing = true;
                lock.unlock();
                const int written = hid_write(self->device, out.data(), out.size());
                lock.lock();
                self->writing = false;
                self->lastOk = written > 0;
                if (!self->lastOk) self->lastError = Utf8(hid_error(self->device));
                ++self->finished;
                self->wake.notify_all();
                continue;
            }
            if (self->closing) break;
        }
        hid_device* device = self->device;
        self->device = nullptr;
        lock.unlock();
        if (device != nullptr) hid_close(device);
    }
};

Report NormaliseInputReport(const uint8_t* data, std::size_t n) {
    Report r{};
    if (data == nullptr || n == 0) return r;
    if (n >= kReportSize) {
        std::copy_n(data + 1, kReportSize - 1, r.begin() + 1);
    } else {
        std::copy_n(data, n, r.begin() + 1);
    }
    return r;
}

HidapiBackend::HidapiBackend() { initialised_ = hid_init() == 0; }

HidapiBackend::~HidapiBackend() {
    Close();
    // hid_exit would pull the library out from under an I/O thread that is
    // still finishing a stalled write; the process end reclaims it anyway.
}

std::vector<HidDeviceInfo> HidapiBackend::Enumerate() {
    std::vector<HidDeviceInfo> out;
    if (!initialised_) return out;
    // Filtering is the caller's: some hidraw trees list a device only in the
    // unfiltered enumeration.
    hid_device_info* list = hid_enumerate(0, 0);
    struct udev* udev = nullptr;
    for (hid_device_info* d = list; d != nullptr; d = d->next) {
        HidDeviceInfo info;
        if (d->path != nullptr) info.path = d->path;
        info.vendor = d->vendor_id;
        info.product = d->product_id;
        // Told for every device of the host's vendor: a device of another
        // kind under the same IDs is then told apart from a host. The
        // listing has it already, and udev opens nothing.
        if (info.vendor == kHostVendor) {
            info.serial = Utf8(d->serial_number);
            info.productName = Utf8(d->product_string);
            if (udev == nullptr) udev = udev_new();
            info.port = UsbPort(udev, info.path);
        }
        out.push_back(std::move(info));
    }
    if (udev != nullptr) udev_unref(udev);
    hid_free_enumeration(list);
    return out;
}

bool HidapiBackend::Open(const std::string& path) {
    Close();
    if (!initialised_ || path.empty()) return false;
    // A node this user may not use is refused here: hidapi's failed opens
    // each keep an error text for good, and the poll retries every second.
    if (::access(path.c_str(), R_OK | W_OK) != 0) return false;
    if (!AnswersDescriptorSize(path)) return false;
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) return false;
    auto channel = std::make_shared<Channel>();
    channel->device = device;
    try {
        std::thread(&Channel::Run, channel).detach();
    } catch (const std::system_error&) {
        hid_close(device);
        return false;
    }
    channel_ = std::move(channel);
    return true;
}

void HidapiBackend::Close() {
    if (!channel_) return;
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        channel_->pending.reset();
        channel_->closing = true;
    }
    channel_->wake.notify_all();
    channel_.reset();
}

bool HidapiBackend::ReadAttributes(uint16_t& vendor, uint16_t& product) {
    if (!channel_) return false;
    std::lock_guard<std::mutex> lock(channel_->mutex);
    if (channel_->device == nullptr || channel_->writing) return false;
    hid_device_info* info = hid_get_device_info(channel_->device);
    if (info == nullptr) return false;
    vendor = info->vendor_id;
    product = info->product_id;
    return true;
}

bool HidapiBackend::Write(const Report& report, int timeoutMs) {
    if (!channel_) return false;
    // Keeps the channel alive even if onIdle closes the device meanwhile.
    const std::shared_ptr<Channel> keep = channel_;
    Channel& c = *keep;
    std::unique_lock<std::mutex> lock(c.mutex);
    if (c.writing || c.pending || c.closing) return false;  // an earlier write still stalls
    c.pending = report;
    const uint64_t ticket = ++c.requested;
    c.wake.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto finished = [&] {
        if (!c.lastOk) error_ = c.lastError;
        return c.lastOk;
    };
    for (;;) {
        if (c.finished >= ticket) return finished();
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            error_ = "the write did not complete within " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        const auto slice = std::min<std::chrono::steady_clock::duration>(
            deadline - now, std::chrono::milliseconds(kWaitSliceMs));
        c.wake.wait_for(lock, slice, [&] { return c.finished >= ticket; });
        if (c.finished >= ticket) return finished();
        if (onIdle) {
            lock.unlock();
            onIdle();
            lock.lock();
        }
    }
}

HidBackend::ReadResult HidapiBackend::Read(Report& report, int timeoutMs) {
    if (!channel_) return ReadResult::Error;
    hid_device* device = nullptr;
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        device = channel_->device;
    }
    if (device == nullptr) return ReadResult::Error;
    uint8_t buffer[kReportSize] = {};
    const int n = hid_read_timeout(device, buffer, sizeof buffer, std::max(timeoutMs, 0));
    if (n < 0) {
        error_ = Utf8(hid_error(device));
        return ReadResult::Error;
    }
    if (n == 0) return ReadResult::Timeout;
    report = NormaliseInputReport(buffer, static_cast<std::size_t>(n));
    return ReadResult::Ok;
}

}  // namespace korvane

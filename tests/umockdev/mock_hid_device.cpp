#include "mock_hid_device.h"

// linux/hidraw.h uses the ioctl macros without including them.
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <umockdev.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <stdexcept>

namespace korvane::testing {
namespace {

std::string Hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04x", v & 0xFFFFu);
    return buf;
}

std::string Hex8Upper(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

std::string TakeString(gchar* s) {
    std::string out = s ? s : "";
    g_free(s);
    return out;
}

struct Invocation {
    const std::function<void()>* fn;
    std::promise<void> done;
};

gboolean RunInvocation(gpointer data) {
    auto* inv = static_cast<Invocation*>(data);
    try {
        (*inv->fn)();
        inv->done.set_value();
    } catch (...) {
        inv->done.set_exception(std::current_exception());
    }
    return G_SOURCE_REMOVE;
}

std::atomic<int64_t> g_lastRemovalMs{-1};

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The FIFOs that stand in for the nodes, by identity, with the minor number
// of the node each stands for.
struct StandIn {
    dev_t dev;
    ino_t ino;
    unsigned minor;
};
std::mutex g_standInsMutex;
std::vector<StandIn> g_standIns;

// The programs a test starts inside the mock read the list from a file of the
// testbed (see node_dress.cpp).
void WriteStandIns(const std::string& root) {
    const std::string file = root + "/korvane-standins";
    const std::string part = file + ".part";
    std::FILE* f = std::fopen(part.c_str(), "w");
    if (f == nullptr) return;
    for (const StandIn& s : g_standIns)
        std::fprintf(f, "%llu %llu %u\n", static_cast<unsigned long long>(s.dev),
                     static_cast<unsigned long long>(s.ino), s.minor);
    std::fclose(f);
    std::rename(part.c_str(), file.c_str());
}

void RegisterStandIn(const std::string& root, const struct stat& st, unsigned minor) {
    std::lock_guard<std::mutex> lock(g_standInsMutex);
    bool known = false;
    for (StandIn& s : g_standIns) {
        if (s.minor == minor) {
            s.dev = st.st_dev;
            s.ino = st.st_ino;
            known = true;
        }
    }
    if (!known) g_standIns.push_back({st.st_dev, st.st_ino, minor});
    WriteStandIns(root);
}

// hidapi's hid_get_device_info (and the string getters built on it) fstat the
// open handle and look the device up by its character-device number. The
// preload does not wrap fstat, so the FIFO would show as a FIFO with no
// number; this dresses it as the hidraw node umockdev announced (241:N).
void DressAsHidrawNode(struct stat& st) {
    if (!S_ISFIFO(st.st_mode) || st.st_ino == 0) return;
    std::lock_guard<std::mutex> lock(g_standInsMutex);
    for (const StandIn& s : g_standIns) {
        if (s.ino == st.st_ino && s.dev == st.st_dev) {
            st.st_mode = S_IFCHR | (st.st_mode & 07777);
            st.st_rdev = makedev(241, s.minor);
            return;
        }
    }
}

}  // namespace

// umockdev_in_mock_environment() only answers true once a testbed has set
// UMOCKDEV_DIR, and it remembers its first answer, so asking it before the
// testbed exists would poison it. Whether the preload is mapped is the
// question that matters here.
bool PreloadActive() {
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) return false;
    char line[4096];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, maps))
        found = std::strstr(line, "libumockdev-preload") != nullptr;
    std::fclose(maps);
    return found;
}

std::vector<uint8_t> MockHidDevice::ReportDescriptor() {
    return {
        0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x09, 0x02,        //   Usage (2)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x40,        //   Report Count (64)
        0x81, 0x02,        //   Input (Data, Var, Abs)
        0x09, 0x03,        //   Usage (3)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x40,        //   Report Count (64)
        0x91, 0x02,        //   Output (Data, Var, Abs)
        0xC0,              // End Collection
    };
}

std::shared_ptr<MockHidBus> MockHidBus::Shared() {
    static std::mutex mutex;
    static std::weak_ptr<MockHidBus> current;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<MockHidBus> bus = current.lock();
    if (!bus) {
        bus.reset(new MockHidBus());
        current = bus;
    }
    return bus;
}

MockHidBus::MockHidBus() {
    if (!PreloadActive())
        throw std::runtime_error("the HID mock needs umockdev's preload (RunUnderUmockdev)");

    // The testbed lives on a thread of its own with its own default context:
    // every testbed call is made there, one at a time, and nothing umockdev
    // dispatches through a default context can land on the test thread, which
    // must be free to block inside hidapi. (The nodes' read, write and ioctl
    // handlers run on umockdev's own worker thread.)
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    std::promise<void> running;
    auto started = running.get_future();
    loopThread_ = std::thread([this, &running] {
        g_main_context_push_thread_default(context_);
        running.set_value();
        g_main_loop_run(loop_);
        g_main_context_pop_thread_default(context_);
    });
    started.wait();
    RunOnLoop([this] {
        testbed_ = umockdev_testbed_new();
        root_ = TakeString(umockdev_testbed_get_root_dir(testbed_));
        ::mkdir((root_ + "/dev").c_str(), 0755);
    });
}

MockHidBus::~MockHidBus() {
    RunOnLoop([this] {
        g_object_unref(testbed_);  // removes the testbed's directory tree
    });
    g_main_loop_quit(loop_);
    loopThread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

void MockHidBus::RunOnLoop(const std::function<void()>& fn) {
    Invocation inv{&fn, {}};
    auto done = inv.done.get_future();
    g_main_context_invoke_full(context_, G_PRIORITY_DEFAULT, RunInvocation, &inv, nullptr);
    done.get();
}

MockHidDevice::MockHidDevice(MockHidIdentity identity)
    : identity_(std::move(identity)),
      devNode_("/dev/hidraw" + std::to_string(identity_.node)),
      descriptor_(identity_.reportDescriptor.empty() ? ReportDescriptor()
                                                     : identity_.reportDescriptor),
      bus_(MockHidBus::Shared()),
      testbed_(bus_->testbed()),
      root_(bus_->RootDir()) {
    AwaitQuiet();
    try {
        RunOnLoop([this] {
            handler_ = umockdev_ioctl_base_new();
            g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(HandleIoctl), this);
            g_signal_connect(handler_, "handle-read", G_CALLBACK(HandleRead), this);
            g_signal_connect(handler_, "handle-write", G_CALLBACK(HandleWrite), this);
            g_signal_connect(handler_, "client-connected", G_CALLBACK(ClientConnected), this);
            g_signal_connect(handler_, "client-vanished", G_CALLBACK(ClientVanished), this);
            BuildTree();
        });
    } catch (...) {
        RunOnLoop([this] {
            if (handler_) g_object_unref(handler_);
        });
        if (wakeFd_ >= 0) ::close(wakeFd_);
        throw;
    }
}

MockHidDevice::~MockHidDevice() {
    Remove();  // a device that leaves a shared testbed goes as an unplugged one
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
    }
    FailPendingReads();
    RunOnLoop([this] {
        if (attached_) umockdev_testbed_detach_ioctl(testbed_, devNode_.c_str(), nullptr);
        g_signal_handlers_disconnect_by_data(handler_, this);
        g_object_unref(handler_);
    });
    if (wakeFd_ >= 0) ::close(wakeFd_);
    for (int fd : staleWakeFds_) ::close(fd);
}

void MockHidDevice::BuildTree() {
    const std::string vid = Hex4(identity_.vendorId);
    const std::string pid = Hex4(identity_.productId);
    // Every device on a port of its own: usbN, N-1:1.0, hid 0003:VVVV:PPPP.000N, hidrawN-1.
    const unsigned port = identity_.node + 1;
    const std::string usbName = "usb" + std::to_string(port);
    const std::string interfaceName = std::to_string(port) + "-1:1.0";
    const std::string devnum = std::to_string(port + 1);
    char devnumPadded[8];
    std::snprintf(devnumPadded, sizeof devnumPadded, "%03u", (port + 1) % 1000);
    char hidSuffix[8];
    std::snprintf(hidSuffix, sizeof hidSuffix, ".%04X", port & 0xFFFFu);
    const std::string rawName = "hidraw" + std::to_string(identity_.node);
    const std::string rawDev = "241:" + std::to_string(identity_.node);
    const std::string minor = std::to_string(identity_.node);

    gchar* usb = umockdev_testbed_add_device(
        testbed_, "usb", usbName.c_str(), nullptr,
        // attributes
        "idVendor", vid.c_str(), "idProduct", pid.c_str(), "bcdDevice", "0100", "manufacturer",
        identity_.manufacturer.c_str(), "product", identity_.product.c_str(), "serial",
        identity_.serial.c_str(), "busnum", "1", "devnum", devnum.c_str(), nullptr,
        // properties
        "DEVTYPE", "usb_device", "BUSNUM", "001", "DEVNUM", devnumPadded, nullptr);
    usbPath_ = TakeString(usb);

    gchar* intf = umockdev_testbed_add_device(
        testbed_, "usb", interfaceName.c_str(), usbPath_.c_str(), "bInterfaceNumber", "00",
        "bInterfaceClass", "03", nullptr, "DEVTYPE", "usb_interface", nullptr);
    interfacePath_ = TakeString(intf);

    const std::string hidId =
        "0003:" + Hex8Upper(identity_.vendorId) + ":" + Hex8Upper(identity_.productId);
    const std::string hidName =
        "0003:" + Hex4(identity_.vendorId) + ":" + Hex4(identity_.productId) + hidSuffix;
    const std::string fullName = identity_.manufacturer + " " + identity_.product;
    gchar* hid = umockdev_testbed_add_device(
        testbed_, "hid", hidName.c_str(), interfacePath_.c_str(), nullptr,
        // The uevent file umockdev writes from these is what hidapi parses.
        "HID_ID", hidId.c_str(), "HID_NAME", fullName.c_str(), "HID_UNIQ", identity_.serial.c_str(),
        nullptr);
    hidPath_ = TakeString(hid);
    umockdev_testbed_set_attribute_binary(testbed_, hidPath_.c_str(), "report_descriptor",
                                          const_cast<guint8*>(descriptor_.data()),
                                          static_cast<gint>(descriptor_.size()));

    // umockdev announces each device as it is added; whoever reacts to
    // "add hidrawN" must find the node in place and served.
    ReplaceNodeWithFifo();
    AttachNode();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        present_ = true;
    }
    // The "dev" attribute makes umockdev report the node as character
    // device 241:N; the node file itself is ours.
    gchar* raw = umockdev_testbed_add_device(
        testbed_, "hidraw", rawName.c_str(), hidPath_.c_str(), "dev", rawDev.c_str(), nullptr,
        "DEVNAME", devNode_.c_str(), "MAJOR", "241", "MINOR", minor.c_str(), nullptr);
    hidrawPath_ = TakeString(raw);
    // hidapi reads the descriptor through <hidraw>/device/report_descriptor.
    umockdev_testbed_set_attribute_link(testbed_, hidrawPath_.c_str(), "device", "..");
}

// umockdev creates no file for a node added this way, and a plain file would
// not do: poll(2) on it is always ready, so hid_read_timeout would go straight
// into a read that must then block without a limit. A FIFO is ready exactly
// while a report (or a disconnect) waits: read and write still go to our
// handler through the preload, and the caller's poll times out as on hidraw.
void MockHidDevice::ReplaceNodeWithFifo() {
    const std::string node = root_ + devNode_;
    ::unlink(node.c_str());
    if (::mkfifo(node.c_str(), 0666) != 0)
        throw std::runtime_error("mkfifo " + node + ": " + std::strerror(errno));
    std::lock_guard<std::mutex> lock(mutex_);
    if (wakeFd_ >= 0) staleWakeFds_.push_back(wakeFd_);
    wakeFd_ = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (wakeFd_ < 0) throw std::runtime_error("open " + node + ": " + std::strerror(errno));
    struct stat st {};
    if (::stat(node.c_str(), &st) == 0) RegisterStandIn(root_, st, identity_.node);
}

void MockHidDevice::AttachNode() {
    if (attached_) return;
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devNode_.c_str(), handler_, &error)) {
        std::string msg = error ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("attach_ioctl " + devNode_ + ": " + msg);
    }
    attached_ = true;
}

// Both called with mutex_ held.
void MockHidDevice::WakePoll() {
    const char token = 1;
    if (wakeFd_ >= 0) (void)!::write(wakeFd_, &token, 1);
}
void MockHidDevice::DrainOneWake() {
    char token;
    if (wakeFd_ >= 0) (void)!::read(wakeFd_, &token, 1);
}

void MockHidDevice::QueueInput(std::vector<uint8_t> report64) {
    UMockdevIoctlClient* waiting = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!present_) return;  // nobody to deliver to: a real unplugged device drops it too
        if (!pendingReads_.empty()) {
            waiting = pendingReads_.front();
            pendingReads_.pop_front();
        } else {
            inputs_.push_back(std::move(report64));
            WakePoll();
            return;
        }
    }
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(waiting);
    const std::size_t n =
        std::min<std::size_t>(report64.size(), static_cast<std::size_t>(arg->data_len));
    umockdev_ioctl_data_update(arg, 0, report64.data(), static_cast<gint>(n));
    umockdev_ioctl_client_complete(waiting, static_cast<glong>(n), 0);
    g_object_unref(waiting);
}

std::size_t MockHidDevice::QueuedInputs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inputs_.size();
}

std::size_t MockHidDevice::OpenHandles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t n = 0;
    for (const auto& c : clientGeneration_) n += c.second == generation_ ? 1 : 0;
    return n;
}

int MockHidDevice::DescriptorReads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return descriptorReads_;
}

std::vector<std::vector<uint8_t>> MockHidDevice::Writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

bool MockHidDevice::Present() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return present_;
}

std::string MockHidDevice::SysfsPathOfHidraw() const { return hidrawPath_; }
std::string MockHidDevice::RootDir() const { return root_; }

void MockHidDevice::FailPendingReads() {
    std::deque<UMockdevIoctlClient*> failed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failed.swap(pendingReads_);
    }
    for (UMockdevIoctlClient* c : failed) {
        umockdev_ioctl_client_complete(c, -1, EIO);
        g_object_unref(c);
    }
}

int64_t MockHidDevice::MsSinceAnyRemoval() {
    const int64_t last = g_lastRemovalMs.load();
    return last < 0 ? INT64_MAX : SteadyMs() - last;
}

void MockHidDevice::AwaitQuiet() const {
    const int64_t since = MsSinceAnyRemoval();
    if (since < identity_.quietAfterRemovalMs)
        std::this_thread::sleep_for(
            std::chrono::milliseconds(identity_.quietAfterRemovalMs - since));
}

void MockHidDevice::Remove() {
    if (!Present()) return;
    AwaitQuiet();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!present_) return;
        present_ = false;
        ++generation_;
        descriptorReads_ = 0;
        inputs_.clear();
        char sink[64];
        while (wakeFd_ >= 0 && ::read(wakeFd_, sink, sizeof sink) > 0) {
        }
        // Left in the old pipe for good: a handle still open on it polls
        // ready and its read reports the disconnect.
        if (identity_.hangUpOnRemoval) WakePoll();
    }
    FailPendingReads();
    RunOnLoop([this] {
        // The kernel announces the leaves first.
        for (const std::string* p : {&hidrawPath_, &hidPath_, &interfacePath_, &usbPath_})
            umockdev_testbed_uevent(testbed_, p->c_str(), "remove");
        for (const std::string* p : {&hidrawPath_, &hidPath_, &interfacePath_, &usbPath_})
            umockdev_testbed_remove_device(testbed_, p->c_str());
        const std::string node = root_ + devNode_;
        std::lock_guard<std::mutex> lock(mutex_);
        if (nodeIsDirectory_) {
            ::rmdir(node.c_str());
            ::unlink((node + ".away").c_str());
            nodeIsDirectory_ = false;
        } else {
            ::unlink(node.c_str());
        }
        refuseDescriptor_ = false;
    });
    g_lastRemovalMs = SteadyMs();
}

void MockHidDevice::Add() {
    if (Present()) return;
    AwaitQuiet();
    RunOnLoop([this] {
        BuildTree();  // announces each device itself
    });
}

void MockHidDevice::SetOpenable(bool openable, Refusal how) {
    const std::string node = root_ + devNode_;
    const std::string away = node + ".away";
    RunOnLoop([&] {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!openable && how == Refusal::kDescriptorQuery) {
            refuseDescriptor_ = true;
        } else if (!openable) {
            if (nodeIsDirectory_) return;
            // open(O_RDWR) on a directory fails with EISDIR whatever the
            // caller's privileges.
            if (::rename(node.c_str(), away.c_str()) != 0 || ::mkdir(node.c_str(), 0755) != 0)
                throw std::runtime_error("cannot make " + node + " unopenable");
            nodeIsDirectory_ = true;
        } else {
            refuseDescriptor_ = false;
            if (nodeIsDirectory_) {
                ::rmdir(node.c_str());
                ::rename(away.c_str(), node.c_str());
                nodeIsDirectory_ = false;
            }
        }
    });
}

int MockHidDevice::HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* selfp) {
    auto* self = static_cast<MockHidDevice*>(selfp);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const std::vector<uint8_t>& rd = self->descriptor_;

    if (request == HIDIOCGRDESCSIZE) {
        bool refuse;
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            refuse = self->refuseDescriptor_;
        }
        if (refuse) {
            umockdev_ioctl_client_complete(client, -1, EIO);
            return TRUE;
        }
        UMockdevIoctlData* size = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
        if (!size) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        const int value = static_cast<int>(rd.size());
        std::memcpy(size->data, &value, sizeof value);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRDESC) {
        UMockdevIoctlData* desc =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), nullptr);
        if (!desc) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        auto* out = reinterpret_cast<hidraw_report_descriptor*>(desc->data);
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            ++self->descriptorReads_;
        }
        if (out->size > HID_MAX_DESCRIPTOR_SIZE) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        const std::size_t n = std::min<std::size_t>(out->size, rd.size());
        std::memcpy(out->value, rd.data(), n);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    // Anything else (feature reports, raw info) this host does not offer.
    umockdev_ioctl_client_complete(client, -1, ENOTTY);
    return TRUE;
}

int MockHidDevice::HandleRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* selfp) {
    auto* self = static_cast<MockHidDevice*>(selfp);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::vector<uint8_t> report;
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        auto gen = self->clientGeneration_.find(client);
        const bool stale = !self->present_ || (gen != self->clientGeneration_.end() &&
                                               gen->second != self->generation_);
        if (stale) {
            umockdev_ioctl_client_complete(client, -1, EIO);
            return TRUE;
        }
        if (self->inputs_.empty()) {
            // Completed by QueueInput or by a disconnect.
            self->pendingReads_.push_back(static_cast<UMockdevIoctlClient*>(g_object_ref(client)));
            return TRUE;
        }
        report = std::move(self->inputs_.front());
        self->inputs_.pop_front();
        self->DrainOneWake();
    }
    const std::size_t n =
        std::min<std::size_t>(report.size(), static_cast<std::size_t>(arg->data_len));
    umockdev_ioctl_data_update(arg, 0, report.data(), static_cast<gint>(n));
    umockdev_ioctl_client_complete(client, static_cast<glong>(n), 0);
    return TRUE;
}

int MockHidDevice::HandleWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* selfp) {
    auto* self = static_cast<MockHidDevice*>(selfp);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::vector<uint8_t> bytes(arg->data, arg->data + arg->data_len);
    std::function<void(const std::vector<uint8_t>&)> sink;
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        auto gen = self->clientGeneration_.find(client);
        const bool stale = !self->present_ || (gen != self->clientGeneration_.end() &&
                                               gen->second != self->generation_);
        if (stale) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        self->writes_.push_back(bytes);
        sink = self->onWrite;
    }
    if (sink) sink(bytes);
    umockdev_ioctl_client_complete(client, static_cast<glong>(bytes.size()), 0);
    return TRUE;
}

void MockHidDevice::ClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* selfp) {
    auto* self = static_cast<MockHidDevice*>(selfp);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->clientGeneration_[client] = self->generation_;
}

void MockHidDevice::ClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* selfp) {
    auto* self = static_cast<MockHidDevice*>(selfp);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->clientGeneration_.erase(client);
    for (auto it = self->pendingReads_.begin(); it != self->pendingReads_.end();) {
        if (*it == client) {
            g_object_unref(*it);
            it = self->pendingReads_.erase(it);
        } else {
            ++it;
        }
    }
}

void RunUnderUmockdev(int argc, char** argv) {
    (void)argc;
    if (PreloadActive()) return;
    if (std::getenv("KORVANE_UMOCKDEV_REEXEC")) {
        std::fprintf(stderr,
                     "umockdev preload did not take effect; is libumockdev-preload.so.0 "
                     "installed?\n");
        std::exit(1);
    }
    setenv("KORVANE_UMOCKDEV_REEXEC", "1", 1);
    std::string preload = "libumockdev-preload.so.0";
    if (const char* old = std::getenv("LD_PRELOAD"); old && *old) preload += std::string(":") + old;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    // A sanitizer runtime wants to be first in the list; the preload is
    // harmless ahead of it.
    std::string asan = "verify_asan_link_order=0";
    if (const char* old = std::getenv("ASAN_OPTIONS"); old && *old)
        asan = std::string(old) + ":" + asan;
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::perror("execv /proc/self/exe");
    std::exit(1);
}

}  // namespace korvane::testing

// Interposed for the whole test program (hidapi's reference binds here); see
// DressAsHidrawNode.
extern "C" int fstat(int fd, struct stat* st) {
    using Fn = int (*)(int, struct stat*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "fstat"));
    const int r = real ? real(fd, st) : -1;
    if (r == 0) korvane::testing::DressAsHidrawNode(*st);
    return r;
}
extern "C" int fstat64(int fd, struct stat64* st) {
    using Fn = int (*)(int, struct stat64*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "fstat64"));
    const int r = real ? real(fd, st) : -1;
    if (r == 0) {
        static_assert(sizeof(struct stat) == sizeof(struct stat64), "64-bit stat layout expected");
        korvane::testing::DressAsHidrawNode(*reinterpret_cast<struct stat*>(st));
    }
    return r;
}

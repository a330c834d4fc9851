#include <windows.h>
// windows.h first: the SetupAPI and HID headers need its types. mingw's HID
// headers declare C functions without saying so.
extern "C" {
#include <hidsdi.h>
}
#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <system_error>
#include <thread>
#include <vector>

#include "common/utf16_windows.h"
#include "hid/interface_list.h"
#include "hid/report_lengths.h"
#include "hid/windows_hid_backend.h"

namespace korvane {

namespace {

constexpr int kWaitSliceMs = 20;
// Input reports the HID class driver keeps for a handle until they are read
// (its default 32, the oldest dropped beyond): as many as hidraw keeps, so
// that a longer read-back survives a window dragged around meanwhile.
constexpr ULONG kInputBuffers = 64;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct Owned {
    HANDLE h;
    explicit Owned(HANDLE handle) : h(handle) {}
    ~Owned() {
        if (ok()) CloseHandle(h);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
};

// A query-only handle: it does not disturb a device (keyboards and mice
// refuse read and write anyway), and it gives the attributes and the
// capabilities.
HANDLE QueryHandle(const std::string& path) {
    const auto wide = win::Widen(path);
    if (!wide || wide->empty()) return INVALID_HANDLE_VALUE;
    return CreateFileW(wide->c_str(), 0, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
}

std::optional<HIDP_CAPS> Capabilities(HANDLE h) {
    PHIDP_PREPARSED_DATA parsed = nullptr;
    if (!HidD_GetPreparsedData(h, &parsed)) return std::nullopt;
    HIDP_CAPS caps{};
    const bool known = HidP_GetCaps(parsed, &caps) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(parsed);
    if (!known) return std::nullopt;
    return caps;
}

std::optional<std::pair<std::size_t, std::size_t>> ReportLengths(const std::string& path) {
    Owned h(QueryHandle(path));
    if (!h.ok()) return std::nullopt;
    const std::optional<HIDP_CAPS> caps = Capabilities(h.h);
    if (!caps) return std::nullopt;
    return std::make_pair(std::size_t{caps->InputReportByteLength},
                          std::size_t{caps->OutputReportByteLength});
}

// The interface's path, and the device node of its HID collection.
std::optional<std::wstring> InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& iface,
                                          DEVINST& node) {
    DWORD need = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &need, nullptr);
    if (need < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || need > 65536) return std::nullopt;
    // DWORD-aligned, as the detail record wants.
    std::vector<DWORD> buf((need + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buf.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, need, nullptr, &device))
        return std::nullopt;
    node = device.DevInst;
    // The path runs to the end of what the call filled, terminated within it.
    const std::size_t room =
        (need - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
    const std::wstring path(detail->DevicePath, wcsnlen(detail->DevicePath, room));
    if (path.empty()) return std::nullopt;
    return path;
}

// One of the device's strings (serial number, product); empty where it has none.
template <typename Get>
std::string DeviceString(HANDLE h, Get get) {
    // A USB string descriptor holds at most 126 characters.
    wchar_t text[128] = {};
    if (!get(h, text, sizeof text - sizeof(wchar_t))) return {};
    return win::Narrow(std::wstring(text, wcsnlen(text, 127)));
}

std::wstring DeviceId(DEVINST node) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
    return id;
}

std::wstring NodeText(DEVINST node, ULONG property) {
    wchar_t text[512] = {};
    ULONG size = sizeof text - sizeof(wchar_t);
    ULONG type = 0;
    if (CM_Get_DevNode_Registry_PropertyW(node, property, &type, text, &size, 0) != CR_SUCCESS)
        return {};
    // A list of strings: its first one.
    return std::wstring(text, wcsnlen(text, 511));
}

// Where the USB device above a HID collection sits: its location path
// (PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)), else its location text
// (Port_#0003.Hub_#0002). The collection's parents are the USB interface of
// a composite device (USB\...&MI_nn), then the device itself (USB\VID_...).
std::string UsbPort(DEVINST collection) {
    DEVINST node = collection;
    for (int depth = 0; depth < 8; ++depth) {
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return {};
        node = parent;
        std::wstring id = DeviceId(node);
        for (wchar_t& ch : id) ch = static_cast<wchar_t>(towupper(ch));
        if (id.rfind(L"USB\\", 0) != 0 || id.find(L"&MI_") != std::wstring::npos) continue;
        std::wstring where = NodeText(node, CM_DRP_LOCATION_PATHS);
        if (where.empty()) where = NodeText(node, CM_DRP_LOCATION_INFORMATION);
        return win::Narrow(where);
    }
    return {};
}

OVERLAPPED Fresh(HANDLE event) {
    OVERLAPPED o{};
    o.hEvent = event;
    return o;
}

}  // namespace

struct WindowsHidBackend::Channel {
    HANDLE device = INVALID_HANDLE_VALUE;
    HANDLE readEvent = nullptr;
    HANDLE writeEvent = nullptr;
    OVERLAPPED readIo{};
    OVERLAPPED writeIo{};
    // Owned here, not by the caller: the kernel may still fill or read them
    // after the link has given the device up.
    std::vector<uint8_t> readBuffer;
    std::vector<uint8_t> writeBuffer;
    bool reading = false;
    bool writing = false;

    Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
    ~Channel() {
        if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
        if (readEvent != nullptr) CloseHandle(readEvent);
        if (writeEvent != nullptr) CloseHandle(writeEvent);
    }
};

WindowsHidBackend::~WindowsHidBackend() { Close(); }

std::vector<HidDeviceInfo> WindowsHidBackend::Enumerate() { return List(false); }

std::vector<HidDeviceInfo> WindowsHidBackend::EnumerateWholeVendor() { return List(true); }

std::vector<HidDeviceInfo> WindowsHidBackend::List(bool wholeVendor) {
    std::vector<std::string> paths;
    std::map<std::string, DEVINST> nodes;
    GUID hid{};
    HidD_GetHidGuid(&hid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return {};
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = sizeof iface;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid, index, &iface)) break;
        // Without its path an interface can be neither examined nor opened.
        DEVINST node = 0;
        if (const std::optional<std::wstring> path = InterfacePath(set, iface, node)) {
            paths.push_back(win::Narrow(*path));
            nodes[paths.back()] = node;
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    // Polled once a second: only a host's interfaces are opened, and those
    // only for a query; a device whose path does not name it is none.
    auto identity = [&nodes, wholeVendor](const std::string& path, HidDeviceInfo& info) {
        info.port = UsbPort(nodes[path]);
        Owned h(QueryHandle(path));
        if (!h.ok()) return;
        info.serial = DeviceString(h.h, HidD_GetSerialNumberString);
        if (wholeVendor) info.productName = DeviceString(h.h, HidD_GetProductString);
    };
    return ListInterfaces(paths, {ReportLengths, identity, wholeVendor});
}

bool WindowsHidBackend::Open(const std::string& path) {
    Close();
    const auto wide = win::Widen(path);
    if (!wide || wide->empty()) return false;
    HANDLE h = CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::optional<HIDP_CAPS> caps = Capabilities(h);
    // Without its lengths a device cannot be read or written safely.
    if (!caps || caps->InputReportByteLength == 0 || caps->OutputReportByteLength == 0) {
        CloseHandle(h);
        return false;
    }
    // Refused, the driver keeps its default, which today's reads fit in.
    HidD_SetNumInputBuffers(h, kInputBuffers);
    return Adopt(h, caps->InputReportByteLength, caps->OutputReportByteLength);
}

bool WindowsHidBackend::OpenWithLengths(const std::string& path, std::size_t inputLength,
                                        std::size_t outputLength) {
    Close();
    const auto wide = win::Widen(path);
    if (!wide || wide->empty() || inputLength == 0 || outputLength == 0) return false;
    HANDLE h = CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    return Adopt(h, inputLength, outputLength);
}

bool WindowsHidBackend::Adopt(void* handle, std::size_t inputLength, std::size_t outputLength) {
    auto c = std::make_shared<Channel>();
    c->device = static_cast<HANDLE>(handle);
    // Manual reset: each wait looks at the state the last I/O left.
    c->readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    c->writeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (c->readEvent == nullptr || c->writeEvent == nullptr) return false;
    c->readBuffer.assign(inputLength, 0);
    c->writeBuffer.assign(outputLength, 0);
    channel_ = std::move(c);
    return true;
}

void WindowsHidBackend::Close() {
    if (!channel_) return;
    std::shared_ptr<Channel> c = std::move(channel_);
    channel_.reset();
    std::vector<HANDLE> pending;
    if (c->reading && !HasOverlappedIoCompleted(&c->readIo)) pending.push_back(c->readEvent);
    if (c->writing && !HasOverlappedIoCompleted(&c->writeIo)) pending.push_back(c->writeEvent);
    if (pending.empty()) return;  // the channel closes its handles as it goes
    CancelIoEx(c->device, nullptr);
    // The kernel owns the records and buffers until each cancelled I/O has
    // completed; a thread of its own keeps them until then, so the window
    // never waits for a device that does not answer.
    try {
        std::thread([c, pending] {
            WaitForMultipleObjects(static_cast<DWORD>(pending.size()), pending.data(), TRUE,
                                   INFINITE);
        }).detach();
    } catch (const std::system_error&) {
        new std::shared_ptr<Channel>(c);  // kept for the kernel until the process ends
    }
}

bool WindowsHidBackend::ReadAttributes(uint16_t& vendor, uint16_t& product) {
    if (!channel_) return false;
    HIDD_ATTRIBUTES a{};
    a.Size = sizeof a;
    if (!HidD_GetAttributes(channel_->device, &a)) return false;
    vendor = a.VendorID;
    product = a.ProductID;
    return true;
}

unsigned long WindowsHidBackend::InputBuffers() const {
    ULONG count = 0;
    if (!channel_ || !HidD_GetNumInputBuffers(channel_->device, &count)) return 0;
    return count;
}

bool WindowsHidBackend::Write(const Report& report, int timeoutMs) {
    if (!channel_) return false;
    // Keeps the channel alive even if onIdle closes the device meanwhile.
    const std::shared_ptr<Channel> keep = channel_;
    Channel& c = *keep;
    if (c.writing) return false;  // an earlier write still stalls
    OutputReportForDevice(report, c.writeBuffer.data(), c.writeBuffer.size());
    const auto length = static_cast<DWORD>(c.writeBuffer.size());
    ResetEvent(c.writeEvent);
    c.writeIo = Fresh(c.writeEvent);
    DWORD done = 0;
    if (WriteFile(c.device, c.writeBuffer.data(), length, &done, &c.writeIo)) return done == length;
    // Anything but "in progress" is a device that is gone or refuses.
    if (GetLastError() != ERROR_IO_PENDING) return false;
    c.writing = true;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        const auto slice = static_cast<DWORD>(std::clamp<long long>(left, 0, kWaitSliceMs));
        const DWORD waited = WaitForSingleObject(c.writeEvent, slice);
        if (waited == WAIT_OBJECT_0) {
            c.writing = false;
            return GetOverlappedResult(c.device, &c.writeIo, &done, FALSE) && done == length;
        }
        if (waited != WAIT_TIMEOUT) return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            // Stalled: the link gives the device up; Close leaves the
            // cancelled write to finish on its own.
            CancelIoEx(c.device, &c.writeIo);
            return false;
        }
        if (onIdle) {
            onIdle();
            if (channel_ != keep) return false;
        }
    }
}

HidBackend::ReadResult WindowsHidBackend::Read(Report& report, int timeoutMs) {
    if (!channel_) return ReadResult::Error;
    Channel& c = *channel_;
    const auto length = static_cast<DWORD>(c.readBuffer.size());
    DWORD got = 0;
    // A read that did not complete in the last slice stays pending, so a
    // report arriving between two slices is not lost.
    if (!c.reading) {
        ResetEvent(c.readEvent);
        c.readIo = Fresh(c.readEvent);
        if (ReadFile(c.device, c.readBuffer.data(), length, &got, &c.readIo)) {
            if (got == 0) return ReadResult::Timeout;
            report = InputReportFromDevice(c.readBuffer.data(), got);
            return ReadResult::Ok;
        }
        if (GetLastError() != ERROR_IO_PENDING) return ReadResult::Error;
        c.reading = true;
    }
    const DWORD waited =
        WaitForSingleObject(c.readEvent, static_cast<DWORD>(std::max(timeoutMs, 0)));
    if (waited == WAIT_TIMEOUT) return ReadResult::Timeout;
    if (waited != WAIT_OBJECT_0) return ReadResult::Error;
    c.reading = false;
    // Device removed, handle invalidated, I/O aborted: the host is gone.
    if (!GetOverlappedResult(c.device, &c.readIo, &got, FALSE)) return ReadResult::Error;
    if (got == 0) return ReadResult::Timeout;
    report = InputReportFromDevice(c.readBuffer.data(), std::min<DWORD>(got, length));
    return ReadResult::Ok;
}

}  // namespace korvane

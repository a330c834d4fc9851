#pragma once
// HidBackend over SetupAPI and hid.dll (Windows). The host is opened once
// for overlapped I/O with one record per direction, so a read can stay
// pending across the link's slices while writes go out. A write is bounded
// by its time-out and waited for in short slices that keep the window alive;
// one that stalls is cancelled, and closing never waits for the kernel.
#include <cstddef>
#include <memory>

#include "hid/hid_backend.h"

namespace korvane {

class WindowsHidBackend final : public HidBackend {
  public:
    WindowsHidBackend() = default;
    ~WindowsHidBackend() override;
    WindowsHidBackend(const WindowsHidBackend&) = delete;
    WindowsHidBackend& operator=(const WindowsHidBackend&) = delete;

    std::vector<HidDeviceInfo> Enumerate() override;
    std::vector<HidDeviceInfo> EnumerateWholeVendor() override;
    // The report lengths come from the device's capabilities.
    bool Open(const std::string& path) override;
    // Opens `path` for the same overlapped I/O with the report lengths given
    // instead of asked of hid.dll, so that any kernel object that keeps
    // message boundaries (a named pipe in message mode) can stand for a device.
    bool OpenWithLengths(const std::string& path, std::size_t inputLength,
                         std::size_t outputLength);
    void Close() override;
    bool IsOpen() const override { return channel_ != nullptr; }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override;
    // The input reports the system keeps for the open device until they are
    // read; 0 when it does not say.
    unsigned long InputBuffers() const;
    bool Write(const Report& report, int timeoutMs) override;
    ReadResult Read(Report& report, int timeoutMs) override;

    struct Channel;

  private:
    std::vector<HidDeviceInfo> List(bool wholeVendor);
    bool Adopt(void* handle, std::size_t inputLength, std::size_t outputLength);

    std::shared_ptr<Channel> channel_;
};

}  // namespace korvane

#pragma once
// HidBackend over hidapi (hidraw). Writes go through one I/O thread per open
// device: hid_write is a blocking write() that the kernel bounds at 5 s and
// nothing can abort, and the link must give up after its own time-out.
#include <memory>

#include "hid/hid_backend.h"

namespace korvane {

class HidapiBackend final : public HidBackend {
  public:
    HidapiBackend();
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidDeviceInfo> Enumerate() override;
    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return channel_ != nullptr; }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override;
    bool Write(const Report& report, int timeoutMs) override;
    ReadResult Read(Report& report, int timeoutMs) override;
    std::string ErrorText() const override { return error_; }

    struct Channel;

  private:
    std::shared_ptr<Channel> channel_;
    bool initialised_ = false;
    std::string error_;
};

// Turns what hid_read returned into a 65-byte report with ID 0x00: hidraw
// hands unnumbered reports over without the ID byte (64 bytes), other
// platforms with it (65). Nothing past 65 bytes is ever taken.
Report NormaliseInputReport(const uint8_t* data, std::size_t n);

}  // namespace korvane

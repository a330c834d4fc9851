#pragma once
// A backend in front of another that hands every call on, and keeps what the
// last search listed and which device was opened from it. The taps that
// watch the exchanges (the record's, the trace's) derive from it and
// override what they watch, so a call none of them watches still reaches
// the real backend.
#include <string>
#include <vector>

#include "hid/hid_backend.h"

namespace korvane {

class BackendTap : public HidBackend {
  public:
    explicit BackendTap(HidBackend& real) : real_(real) {
        real_.onIdle = [this] {
            if (onIdle) onIdle();
        };
    }
    ~BackendTap() override { real_.onIdle = nullptr; }
    BackendTap(const BackendTap&) = delete;
    BackendTap& operator=(const BackendTap&) = delete;

    std::vector<HidDeviceInfo> Enumerate() override {
        listed_ = real_.Enumerate();
        return listed_;
    }
    std::vector<HidDeviceInfo> EnumerateWholeVendor() override {
        return real_.EnumerateWholeVendor();
    }
    bool Open(const std::string& path) override {
        if (!real_.Open(path)) return false;
        opened_ = HidDeviceInfo();
        opened_.path = path;
        for (const HidDeviceInfo& d : listed_)
            if (d.path == path) opened_ = d;
        return true;
    }
    void Close() override { real_.Close(); }
    bool IsOpen() const override { return real_.IsOpen(); }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override {
        return real_.ReadAttributes(vendor, product);
    }
    bool Write(const Report& report, int timeoutMs) override {
        return real_.Write(report, timeoutMs);
    }
    ReadResult Read(Report& report, int timeoutMs) override {
        return real_.Read(report, timeoutMs);
    }
    std::string ErrorText() const override { return real_.ErrorText(); }

  protected:
    // The device last opened, as the search before it listed it (its path
    // alone where the search did not list it).
    const HidDeviceInfo& opened() const { return opened_; }

  private:
    HidBackend& real_;
    std::vector<HidDeviceInfo> listed_;
    HidDeviceInfo opened_;
};

}  // namespace korvane

#pragma once
// The connection to the host: finds it among the HID devices, moves single
// reports with time-outs, and takes a time-out as loss of the host.
#include <cstdint>
#include <functional>
#include <string>

#include "common/clock.h"
#include "common/lamp_model.h"
#include "common/operator_seam.h"
#include "hid/hid_backend.h"
#include "hid/host_choice.h"

namespace korvane {

inline constexpr int kWriteTimeoutMs = 300;
inline constexpr int kReadSliceMs = 20;

class HidLink {
  public:
    HidLink(HidBackend& backend, Clock& clock, OperatorSeam& op);
    ~HidLink();
    HidLink(const HidLink&) = delete;
    HidLink& operator=(const HidLink&) = delete;

    int connected = 0;                   // 1 while a host is open and usable
    LampModel model = LampModel::Rt220;  // of the host last opened
    // Told the model whenever a search opens a host, so the form can switch.
    std::function<void(LampModel model)> onHostFound;
    // Dispatches pending events. false tells the link the front end has given
    // up waiting: a read in progress ends at once, as a failed one. The window
    // always goes on (an exchange runs to its end even when it is closed).
    std::function<bool()> pump;
    // With several hosts attached, the one to take (Any: the first found).
    HostChoice wanted;

    // Who asks: the once-a-second poll keeps quiet about a host it has
    // already reported as unopenable; an operation's search always tells.
    enum class Search { Exchange, Poll };
    // Opens the first host present (only the host: other HID devices are
    // never opened). Returns `connected`.
    int FindDevice(Search by = Search::Exchange);
    // A replugged host is reported again if it still cannot be opened.
    void ForgetFailedOpen() { unopenable_.clear(); }
    // Releases the device; `connected` is left to the caller.
    void CloseDevice();
    // Releases the device and marks the link down: the next exchange searches.
    void Disconnect() {
        CloseDevice();
        connected = 0;
    }
    // Each returns `connected` afterwards (1 = the report moved in time).
    int WriteReport(const Report& out);
    // The same write, but one that `withdrawn` calls off, asked after the
    // events before the write were dispatched, is not made at all and
    // leaves the link as it is: a request that must not go out once the
    // operator has cancelled (the first packet of a download erases an area).
    enum class WriteResult { Written, Failed, Withdrawn };
    WriteResult WriteReportUnless(const Report& out, const std::function<bool()>& withdrawn);
    int ReadReport(Report& in, int timeoutMs);
    // Looks at the thread's message queue, then runs `pump`: 1 while the
    // application runs on, 0 once it is quitting.
    int PumpMessages();
    // Drops input reports already waiting: what an exchange that ended early
    // left behind (a skipped acknowledgement, the rest of a cancelled read)
    // must not pass for the answer to the next request.
    void DiscardStaleInput();

    // An exchange holds the report pair; the connection poll must keep off.
    bool busy() const { return exchanges_ > 0; }
    class ExchangeGuard {
      public:
        explicit ExchangeGuard(HidLink& link) : link_(link) { ++link_.exchanges_; }
        ~ExchangeGuard() { --link_.exchanges_; }
        ExchangeGuard(const ExchangeGuard&) = delete;
        ExchangeGuard& operator=(const ExchangeGuard&) = delete;

      private:
        HidLink& link_;
    };

    HidBackend& backend() { return backend_; }

  private:
    void DiscoveryBox(const char* text);

    HidBackend& backend_;
    Clock& clock_;
    OperatorSeam& op_;
    int exchanges_ = 0;
    bool boxOpen_ = false;
    std::string unopenable_;  // the host last reported as not openable
};

}  // namespace korvane

#pragma once
// The lamp protocol over the device link: one request and its reply, and the
// numbered packet sequences of the bulk commands (bulk_transfer.cpp).
// Results are 1 for success and 0 for failure; the routine that meets a
// failure tells the operator itself before returning.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/operator_seam.h"
#include "common/transfer_system.h"
#include "hid/hid_link.h"
#include "protocol/lamp_frame.h"

namespace korvane {

inline constexpr int kWriteAttempts = 5;
inline constexpr int kReplyTimeoutMs = 1000;
inline constexpr int kFormatReplyTimeoutMs = 28000;
inline constexpr int kBulkFirstReadMs = 5000;
inline constexpr int kBulkNextReadMs = 100;
inline constexpr int kResultShowMs = 1000;
// The longest stretch of a fixed pause without a look at the message queue.
inline constexpr int kPauseSliceMs = 250;

class LampProtocol {
  public:
    LampProtocol(HidLink& link, OperatorSeam& op, Clock& clock);

    Report InputReport{};
    Report OutputReport{};
    // Set by the progress dialog's cancel; honoured (and reset) by the bulk
    // procedure running, at its next check. Every exchange starts without one.
    int cancelRequested = 0;

    // Sends `request` (01, command, n, data, checksum) and, when asked, reads
    // until the reply that echoes its command. Replies to other commands are
    // skipped. After success with a reply, InputReport holds it.
    int SendCommand(int waitForReply, int requestLength, const uint8_t* request);

    // Every byte of the file as packets of `cmd`, then the acknowledgement.
    int BulkSendFile(uint8_t cmd, const std::string& path, const std::string& title);
    // Stages the image in Temp.txt and sends that file.
    int BulkSendBuffer(uint8_t cmd, const uint8_t* data, std::size_t length,
                       const std::string& title);
    // Asks for the sequence of `cmd` and stores its payload in `path`.
    int BulkReadToFile(uint8_t cmd, const std::string& path, const std::string& title);

    // The cancel notification of the progress dialog (lParam 1 asks to cancel).
    int OnCancelRequest(int lParam);

    // Ends the fixed pauses early when it says so: the command line's
    // interrupt, asked for by Ctrl-C or by closing the console. The window
    // leaves it empty (its cancel button is seen between packets).
    std::function<bool()> endPauses;
    // Each pause between two packets of a bulk send as it was kept: what the
    // host needs and how long the sender waited, from the end of the write
    // to the end of the pause (for the measures).
    std::function<void(int64_t neededUs, int64_t keptUs)> onPacketPause;

    // The firmware version of the last successful version read, up to its
    // first zero byte; also handed to onVersionText as it arrives.
    const std::string& VersionText() const { return versionText_; }
    std::function<void(const std::string&)> onVersionText;

    HidLink& link() { return link_; }

    // true, once, after a transfer (a bulk send or read, a format wait)
    // failed while the system had gone to sleep in the middle of it: what
    // the front end adds after the operation's own failure texts.
    bool TakeSleepNotice();

  private:
    void StartExchange();
    // The result of a transfer held awake by `awake`, noted for the notice.
    int EndTransfer(const StayAwake* awake, int result);
    // With `withdrawOnCancel`, a cancel dispatched just before the write
    // keeps the request from going out at all: 0, with nothing shown.
    int SendCommandLocked(int waitForReply, int requestLength, const uint8_t* request,
                          bool withdrawOnCancel = false);
    // The whole file, or nullopt (told) when it is longer than a transfer can number.
    std::optional<Bytes> ReadImage(const std::string& path);
    int SendImageLocked(uint8_t cmd, const Bytes& image, const std::string& title);
    int BulkReadToFileLocked(uint8_t cmd, const std::string& path, const std::string& title);
    int EndRead(const std::string& text);
    // A fixed pause to a deadline on the clock's microseconds: the thread
    // waits without dispatching anything, but looks at its message queue
    // every kPauseSliceMs. false when endPauses cut it short.
    bool PauseUntil(int64_t deadlineUs);
    bool Pause(int64_t ms) { return PauseUntil(clock_.NowUs() + ms * 1000); }
    std::string PacketLine(const std::string& title, std::size_t total, std::size_t i) const;

    HidLink& link_;
    OperatorSeam& op_;
    Clock& clock_;
    std::string versionText_;
    bool sleptThroughFailure_ = false;
};

}  // namespace korvane

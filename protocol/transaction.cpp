#include "protocol/transaction.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "common/texts.h"

namespace korvane {

LampProtocol::LampProtocol(HidLink& link, OperatorSeam& op, Clock& clock)
    : link_(link), op_(op), clock_(clock) {}

int LampProtocol::OnCancelRequest(int lParam) {
    if (lParam == 1) cancelRequested = 1;
    return 1;
}

int LampProtocol::SendCommand(int waitForReply, int requestLength, const uint8_t* request) {
    // A handler dispatched from inside a running exchange must not share its
    // report pair; the operation that started it reports the failure.
    if (link_.busy()) return 0;
    HidLink::ExchangeGuard guard(link_);
    StartExchange();
    // A format empties the area at once: a cancel seen before it goes out
    // keeps the sounds.
    const bool format =
        requestLength >= 2 && (request[1] == Code(LampCommand::FormatVoiceArea) ||
                               request[1] == Code(LampCommand::FormatFixedVoiceArea));
    // A format keeps the host busy for up to kFormatReplyTimeoutMs; the system
    // stays awake for it.
    std::optional<StayAwake> awake;
    if (format && waitForReply != 0) awake.emplace();
    return EndTransfer(awake ? &*awake : nullptr,
                       SendCommandLocked(waitForReply, requestLength, request, format));
}

int LampProtocol::EndTransfer(const StayAwake* awake, int result) {
    if (result != 1 && awake != nullptr && awake->Slept()) sleptThroughFailure_ = true;
    return result;
}

bool LampProtocol::TakeSleepNotice() { return std::exchange(sleptThroughFailure_, false); }

void LampProtocol::StartExchange() {
    // A cancel that came when no transfer could see it (during a single
    // command or an acknowledgement wait) is for the operation it was meant
    // for, not for the next one: a download stopped after its first packet
    // leaves the host half written.
    cancelRequested = 0;
}

int LampProtocol::SendCommandLocked(int waitForReply, int requestLength, const uint8_t* request,
                                    bool withdrawOnCancel) {
    const std::size_t length = requestLength > 0 ? static_cast<std::size_t>(requestLength) : 0;
    OutputReport = LampFrame::PlaceRequest(request, length);
    if (waitForReply != 0) link_.DiscardStaleInput();

    std::function<bool()> cancelled;
    if (withdrawOnCancel) cancelled = [this] { return cancelRequested != 0; };
    bool written = false;
    for (int attempt = 0; attempt < kWriteAttempts && !written; ++attempt) {
        InputReport.fill(0);
        const HidLink::WriteResult w = link_.WriteReportUnless(OutputReport, cancelled);
        if (w == HidLink::WriteResult::Withdrawn) {
            cancelRequested = 0;
            return 0;
        }
        written = w == HidLink::WriteResult::Written;
    }
    if (!written) {
        op_.ShowBox(texts::kNotConnected, texts::kCaptionFail1, BoxIcon::None);
        return 0;
    }

    const uint8_t command = OutputReport[4];
    const int timeoutMs = (command == Code(LampCommand::FormatVoiceArea) ||
                           command == Code(LampCommand::FormatFixedVoiceArea))
                              ? kFormatReplyTimeoutMs
                              : kReplyTimeoutMs;
    if (waitForReply == 0) return 1;

    for (;;) {
        if (link_.ReadReport(InputReport, timeoutMs) != 1) {
            op_.ShowBox(texts::kReadFailedResend, texts::kCaptionFail2, BoxIcon::Exclamation);
            return 0;
        }
        if (LampFrame::CheckReply(InputReport) != LampFrame::ReplyCheck::Ok) {
            op_.ShowBox(texts::kSendFailedResend, texts::kCaptionFail3, BoxIcon::Stop);
            return 0;
        }
        if (LampFrame::CommandOf(InputReport) == command) break;
    }

    if (command == Code(LampCommand::ReadVersion)) {
        const Bytes data = LampFrame::DataOf(InputReport);
        const auto end = std::find(data.begin(), data.end(), uint8_t{0});
        versionText_.assign(data.begin(), end);
        if (onVersionText) onVersionText(versionText_);
    }
    return 1;
}

}  // namespace korvane

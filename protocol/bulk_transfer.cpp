#include "protocol/bulk_transfer.h"

#include <algorithm>
#include <cstdio>

#include "common/resource_ids.h"
#include "common/staging.h"
#include "common/texts.h"
#include "common/transfer_system.h"
#include "protocol/bulk_packets.h"

namespace korvane {

int FirstPacketWaitMs(uint8_t cmd) {
    switch (static_cast<LampCommand>(cmd)) {
        case LampCommand::UpgradeFirmware:
            return 4000;
        case LampCommand::DownloadVoice:
        case LampCommand::DownloadFixedVoice:
            return 5000;
        default:
            return 50;
    }
}

int64_t BulkSendPausesMs(uint8_t cmd, std::size_t packets) {
    if (packets == 0) return 0;
    return FirstPacketWaitMs(cmd) + kNextPacketWaitMs * static_cast<int64_t>(packets - 1);
}

std::string LampProtocol::PacketLine(const std::string& title, std::size_t total,
                                     std::size_t i) const {
    char line[128];
    std::snprintf(line, sizeof line, texts::kPacketLine, static_cast<int>(total),
                  static_cast<int>(i));
    return title + line + texts::kSending;
}

bool LampProtocol::PauseUntil(int64_t deadlineUs) {
    for (int64_t now = clock_.NowUs(); now < deadlineUs; now = clock_.NowUs()) {
        if (endPauses && endPauses()) return false;
        clock_.SleepUntilUs(std::min<int64_t>(deadlineUs, now + int64_t{kPauseSliceMs} * 1000));
        if (TheTransferSystem().touchQueue) TheTransferSystem().touchQueue();
    }
    return true;
}

int LampProtocol::BulkSendFile(uint8_t cmd, const std::string& path, const std::string& title) {
    if (link_.busy()) return 0;
    HidLink::ExchangeGuard guard(link_);
    StartExchange();
    const StayAwake awake;
    std::optional<Bytes> image;
    {
        // The caller that wrote the file holds the lock from its write.
        const StagingLock staging;
        image = ReadImage(path);
    }
    return EndTransfer(&awake, image ? SendImageLocked(cmd, *image, title) : 0);
}

int LampProtocol::BulkSendBuffer(uint8_t cmd, const uint8_t* data, std::size_t length,
                                 const std::string& title) {
    if (link_.busy()) return 0;
    HidLink::ExchangeGuard guard(link_);
    StartExchange();
    const StayAwake awake;
    // The packet count is 16 bits: a longer image cannot be numbered.
    if (length > kMaxBulkImage) {
        ShowAppBox(op_, texts::kImageTooLarge);
        return 0;
    }
    const auto path = StagingPath(kTempFileName);
    std::optional<Bytes> image;
    {
        // Written and read back before another program may stage its own.
        const StagingLock staging;
        if (!staging.ok() || !path || !WriteWholeFile(data, length, *path)) {
            if (path) RemoveFile(*path);
            ShowAppBox(op_, StagingFailedText());
            return 0;
        }
        image = ReadImage(*path);
    }
    const int r = image ? SendImageLocked(cmd, *image, title) : 0;
    const StagingLock staging;
    RemoveFile(*path);
    return EndTransfer(&awake, r);
}

std::optional<Bytes> LampProtocol::ReadImage(const std::string& path) {
    // One byte more than fits tells an over-long file from one that just fits.
    Bytes image = ReadWholeFile(path, kMaxBulkImage + 1).value_or(Bytes());
    if (image.size() > kMaxBulkImage) {
        ShowAppBox(op_, texts::kImageTooLarge);
        return std::nullopt;
    }
    return image;
}

int LampProtocol::SendImageLocked(uint8_t cmd, const Bytes& image, const std::string& title) {
    const std::size_t total = PacketCount(image.size());

    op_.ProgressOpen();
    op_.ProgressSetRange(static_cast<int>(total));
    const int base = op_.ProgressPosition();
    link_.DiscardStaleInput();
    const PreciseTimer fine;
    auto honourCancel = [this] {
        if (cancelRequested == 0) return false;
        cancelRequested = 0;
        op_.ProgressClose();
        return true;
    };

    for (std::size_t i = 1; i <= total; ++i) {
        const Bytes frame = PacketFrame(cmd, image.data(), image.size(), i);
        // A cancel seen before the first packet goes out sends nothing: that
        // packet makes the host erase the area. Later ones stop after the
        // packet being sent.
        if (SendCommandLocked(0, static_cast<int>(frame.size()), frame.data(), i == 1) != 1) {
            op_.ProgressClose();
            return 0;
        }
        // The host counts its pause from the packet's arrival.
        const int64_t writtenUs = clock_.NowUs();
        link_.PumpMessages();
        if (honourCancel()) return 0;
        const int64_t neededUs =
            int64_t{i == 1 ? FirstPacketWaitMs(cmd) : kNextPacketWaitMs} * 1000;
        const bool whole = PauseUntil(writtenUs + neededUs);
        if (onPacketPause) onPacketPause(neededUs, clock_.NowUs() - writtenUs);
        // A pause cut short by an interrupt ends the transfer before the next
        // packet: the host would still be busy with this one.
        if (!whole) {
            link_.PumpMessages();
            if (honourCancel()) return 0;
        }
        op_.ProgressSetPosition(base + static_cast<int>(i));
        op_.ProgressSetText(ids::kProgressDoing, PacketLine(title, total, i));
    }

    const bool ok = link_.ReadReport(InputReport, kBulkFirstReadMs) == 1 &&
                    LampFrame::IsBulkAck(InputReport, cmd);
    op_.ProgressSetText(ids::kProgressOutcome, title + (ok ? texts::kSentOk : texts::kSendFailed));
    Pause(kResultShowMs);
    op_.ProgressClose();
    return ok ? 1 : 0;
}

int LampProtocol::EndRead(const std::string& text) {
    op_.ProgressSetText(ids::kProgressOutcome, text);
    Pause(kResultShowMs);
    op_.ProgressClose();
    return 0;
}

int LampProtocol::BulkReadToFile(uint8_t cmd, const std::string& path, const std::string& title) {
    if (link_.busy()) return 0;
    HidLink::ExchangeGuard guard(link_);
    StartExchange();
    const StayAwake awake;
    return EndTransfer(&awake, BulkReadToFileLocked(cmd, path, title));
}

int LampProtocol::BulkReadToFileLocked(uint8_t cmd, const std::string& path,
                                       const std::string& title) {
    OutputReport = LampFrame::BulkReadRequest(cmd);
    InputReport.fill(0);
    link_.DiscardStaleInput();
    if (link_.WriteReport(OutputReport) != 1) {
        op_.ShowBox(texts::kBulkRequestFailed, texts::kCaptionFail1, BoxIcon::Exclamation);
        return 0;
    }
    if (link_.ReadReport(InputReport, kBulkFirstReadMs) != 1) return 0;

    BulkReassembler sequence(cmd);
    switch (sequence.First(InputReport)) {
        case BulkReassembler::Status::Ok:
            break;
        case BulkReassembler::Status::WrongHeader:
            return 0;
        default:
            // Also a length the report cannot hold, or payload the announced
            // count leaves no room for: the host's data is not to be trusted.
            op_.ShowBox(texts::kBulkBadData, texts::kCaptionWarning, BoxIcon::Exclamation);
            return 0;
    }

    const std::size_t total = sequence.total();
    op_.ProgressOpen();
    op_.ProgressSetRange(static_cast<int>(total));

    for (std::size_t i = 2; i <= total; ++i) {
        link_.PumpMessages();
        if (cancelRequested != 0) {
            cancelRequested = 0;
            return EndRead(title + texts::kReadCancelled);
        }
        if (link_.ReadReport(InputReport, kBulkNextReadMs) != 1)
            return EndRead(title + texts::kReadFailed);
        if (sequence.Next(InputReport) != BulkReassembler::Status::Ok)
            return EndRead(title + texts::kPacketError);
        op_.ProgressSetPosition(static_cast<int>(i));
        op_.ProgressSetText(ids::kProgressDoing, PacketLine(title, total, i));
    }

    op_.ProgressSetText(ids::kProgressOutcome, title + texts::kSentOk);
    Pause(kResultShowMs);
    op_.ProgressClose();
    const Bytes& payload = sequence.payload();
    if (!WriteWholeFile(payload.data(), payload.size(), path)) {
        ShowAppBox(op_, StagingFailedText());
        return 0;
    }
    return 1;
}

}  // namespace korvane

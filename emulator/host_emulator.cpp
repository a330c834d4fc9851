#include "emulator/host_emulator.h"

#include <algorithm>

#include "protocol/bulk_packets.h"
#include "protocol/records.h"

namespace korvane {

namespace {

bool ValidRequest(const Report& r) {
    if (r[1] != 0x55 || r[2] != 0xAA || r[3] != LampFrame::kTypeRequest) return false;
    const std::size_t n = r[5];
    if (n > kMaxFrameData) return false;
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 6 + n; ++i) sum += r[i];
    return (sum & 0xFFu) == 0xFFu;
}

bool IsBulkSend(uint8_t c) {
    switch (static_cast<LampCommand>(c)) {
        case LampCommand::SetBasicParams:
        case LampCommand::UpgradeFirmware:
        case LampCommand::DownloadVoice:
        case LampCommand::DownloadFixedVoice:
        case LampCommand::SetAddressCodes:
            return true;
        default:
            return false;
    }
}

Report Echo(uint8_t command) { return LampFrame::MakeReply(command, nullptr, 0); }

// What the host needs after packet `number` - 1 of a sequence before it takes
// packet `number`: it erases after the first.
int64_t NeededGapUs(uint8_t command, std::size_t number) {
    if (number > 2) return 10'000;
    switch (command) {
        case 0xD3:
            return 4'000'000;
        case 0xD5:
        case 0xD9:
            return 5'000'000;
        default:
            return 50'000;
    }
}

template <typename T>
void AppendBounded(std::vector<T>& log, const T& item) {
    if (log.size() >= HostEmulator::kLogLimit)
        log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(log.size() / 2));
    log.push_back(item);
}

}  // namespace

HostEmulator::HostEmulator(Clock& clock, uint16_t product) : clock_(clock), product_(product) {
    basicParams = {0x31, 0x2C, 0x00, 0x0A, 0x3B, 0x32, 0x2C, 0x31, 0x3B, 0x33,
                   0x2C, 0x30, 0x3B, 0x34, 0x2C, 0x51, 0x4B, 0x4D, 0x52, 0x3B};
}

void HostEmulator::SetFaults(EmulatorFaults faults) {
    faults_ = std::move(faults);
    packetsSinceFaults_ = 0;
    writesToFail_ = faults_.failedWrites;
}

bool HostEmulator::FailThisWrite() {
    if (writesToFail_ <= 0) return false;
    --writesToFail_;
    return true;
}

void HostEmulator::Plug() {
    if (present_) return;
    present_ = true;
    if (onPlug) onPlug(true);
}

void HostEmulator::Unplug() {
    if (!present_) return;
    present_ = false;
    replies_.clear();
    bulk_ = BulkState{};
    if (onPlug) onPlug(false);
}

std::optional<int64_t> HostEmulator::NextReplyTime() const {
    if (replies_.empty()) return std::nullopt;
    return replies_.front().at;
}

std::optional<Report> HostEmulator::TakeReply(int64_t now) {
    if (replies_.empty() || replies_.front().at > now) return std::nullopt;
    Report r = replies_.front().report;
    replies_.pop_front();
    return r;
}

void HostEmulator::Queue(int64_t at, const Report& report) {
    // Ordered by ready time; equal times keep their order.
    auto pos = std::upper_bound(replies_.begin(), replies_.end(), at,
                                [](int64_t t, const Pending& p) { return t < p.at; });
    replies_.insert(pos, Pending{at, report});
}

void HostEmulator::Answer(uint8_t command, std::vector<Report> replies, int64_t delayMs) {
    if (faults_.noReply || replies.empty()) return;
    if (faults_.badChecksum) {
        Report& first = replies.front();
        first[6 + std::min<std::size_t>(first[5], kMaxFrameData)] += 1;
    }
    if (faults_.mangle) faults_.mangle(command, replies);
    int64_t at = clock_.NowMs() + delayMs + faults_.lateReplyMs;
    if (faults_.foreignReplyFirst) {
        const uint8_t other = command == Code(LampCommand::InitDevice)
                                  ? Code(LampCommand::ReadVersion)
                                  : Code(LampCommand::InitDevice);
        Queue(at, Echo(other));
    }
    for (std::size_t k = 0; k < replies.size(); ++k) {
        if (k > 0) at += packetSpacingMs;
        if (faults_.gapBeforeReply == static_cast<int>(k + 1)) at += faults_.gapMs;
        Queue(at, replies[k]);
    }
}

void HostEmulator::Receive(const Report& report) {
    if (!present_) return;
    AppendBounded(received, report);
    if (!ValidRequest(report)) return;
    const uint8_t command = report[4];
    const Bytes data = LampFrame::DataOf(report);
    AppendBounded(handled, command);

    if (IsBulkSend(command)) {
        BulkPacket(command, data);
        return;
    }
    // Anything else interrupts a packet sequence; an interrupted sequence
    // is never answered.
    bulk_ = BulkState{};
    switch (static_cast<LampCommand>(command)) {
        case LampCommand::InitDevice:
            Answer(command, {Echo(command)}, replyDelayMs);
            break;
        case LampCommand::ReadVersion: {
            const std::string& v = versionText;
            Answer(command,
                   {LampFrame::MakeReply(command, reinterpret_cast<const uint8_t*>(v.data()),
                                         v.size())},
                   replyDelayMs);
            break;
        }
        case LampCommand::FormatVoiceArea:
            customSounds.clear();
            Answer(command, {Echo(command)}, formatDelayMs);
            break;
        case LampCommand::FormatFixedVoiceArea:
            fixedSounds.clear();
            Answer(command, {Echo(command)}, formatDelayMs);
            break;
        case LampCommand::SetFrequency:
            frequencyDigits.assign(data.begin(), data.end());
            Answer(command, {Echo(command)}, replyDelayMs);
            break;
        case LampCommand::ReadFrequency: {
            const std::string& f = frequencyDigits;
            Answer(command,
                   {LampFrame::MakeReply(command, reinterpret_cast<const uint8_t*>(f.data()),
                                         f.size())},
                   replyDelayMs);
            break;
        }
        case LampCommand::ReadBasicParams:
            SendSequence(command, basicParams);
            break;
        case LampCommand::ReadAddressCodes:
            SendSequence(command, AddressCodeReadBack());
            break;
        default:
            break;  // not a command of this host: no answer
    }
}

void HostEmulator::BulkPacket(uint8_t command, const Bytes& data) {
    ++packetsSinceFaults_;
    const bool vanish =
        faults_.vanishAfterPacket > 0 && packetsSinceFaults_ >= faults_.vanishAfterPacket;
    if (data.size() >= kPacketHeader) {
        const std::size_t total = static_cast<std::size_t>(data[0]) << 8 | data[1];
        const std::size_t number = static_cast<std::size_t>(data[2]) << 8 | data[3];
        const std::size_t payload = data.size() - kPacketHeader;
        const int64_t now = clock_.NowUs();
        if (number == 1) bulk_ = BulkState{true, command, total, 1, false, {}, now};
        if (bulk_.active) {
            if (command != bulk_.command || total != bulk_.total || number != bulk_.next ||
                total == 0 || payload == 0 || (number < total && payload != kPacketPayload)) {
                bulk_.wrong = true;
            }
            if (number > 1 && !KeptPace(number, now - bulk_.lastUs)) bulk_.wrong = true;
            bulk_.lastUs = now;
            bulk_.image.insert(bulk_.image.end(), data.begin() + kPacketHeader, data.end());
            bulk_.next = number + 1;
            if (number >= bulk_.total) CompleteBulk();
        }
    }
    if (vanish) Unplug();
}

bool HostEmulator::KeptPace(std::size_t number, int64_t gapUs) {
    const int64_t margin = gapUs - NeededGapUs(bulk_.command, number);
    pacing.shortestMarginUs = std::min(pacing.shortestMarginUs, margin);
    if (number > 2) pacing.shortestNextGapUs = std::min(pacing.shortestNextGapUs, gapUs);
    if (margin >= 0) return true;
    ++pacing.tooSoon;
    return !keepsTime;
}

void HostEmulator::CompleteBulk() {
    const uint8_t command = bulk_.command;
    bool ok = !bulk_.wrong;
    const Bytes& image = bulk_.image;
    if (ok) {
        switch (static_cast<LampCommand>(command)) {
            case LampCommand::SetBasicParams:
                basicParams = image;
                break;
            case LampCommand::SetAddressCodes:
                StoreAddressCodes(image);
                break;
            case LampCommand::UpgradeFirmware:
                firmware = image;
                break;
            case LampCommand::DownloadVoice:
            case LampCommand::DownloadFixedVoice: {
                auto entries = SoundImage::Parse(image.data(), image.size());
                if (!entries) {
                    ok = false;
                    break;
                }
                (command == Code(LampCommand::DownloadVoice) ? customSounds : fixedSounds) =
                    std::move(*entries);
                break;
            }
            default:
                break;
        }
    }
    bulk_ = BulkState{};
    const uint8_t verdict = ok && !faults_.refuseAck ? 0x5A : 0x5B;
    ++acknowledgements;
    Answer(command, {LampFrame::MakeReply(command, &verdict, 1)}, replyDelayMs);
}

void HostEmulator::SendSequence(uint8_t command, const Bytes& payload) {
    const std::size_t total = std::max<std::size_t>(1, PacketCount(payload.size()));
    std::vector<Report> replies;
    replies.reserve(total);
    for (std::size_t i = 1; i <= total; ++i) {
        const std::size_t offset = (i - 1) * kPacketPayload;
        const std::size_t count = std::min(kPacketPayload, payload.size() - offset);
        Bytes data = {static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total & 0xFF),
                      static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i & 0xFF)};
        data.insert(data.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                    payload.begin() + static_cast<std::ptrdiff_t>(offset + count));
        replies.push_back(LampFrame::MakeReply(command, data));
    }
    Answer(command, std::move(replies), replyDelayMs);
}

void HostEmulator::StoreAddressCodes(const Bytes& text) {
    // Split as the PC's own read-back scan splits, so what it reads back is
    // what it set.
    for (Bytes record : ParseRecordList(text.data(), text.size(), RecordList::AddressCodes)) {
        if (record.size() < 2 || record[1] != 0x2C || record[0] < 0x31 || record[0] > 0x35)
            continue;
        record.push_back(0x3B);
        addressCodes[record[0]] = record;
    }
}

Bytes HostEmulator::AddressCodeReadBack() const {
    Bytes out;
    for (const auto& [id, record] : addressCodes)
        out.insert(out.end(), record.begin(), record.end());
    const std::size_t sounds = std::min<std::size_t>(255, customSounds.size() + fixedSounds.size());
    out.insert(out.end(), {0x36, 0x2C, static_cast<uint8_t>(sounds), 0x3B});
    return out;
}

}  // namespace korvane

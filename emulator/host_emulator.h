#pragma once
// A stand-in for the host: answers every lamp command with correct frames,
// keeps what it was sent, and misbehaves on request. No widgets, no I/O:
// reports go in with Receive and come out, each at its ready time, with TakeReply.
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "protocol/lamp_frame.h"
#include "protocol/sound_image.h"

namespace korvane {

// Misbehaviour for tests. Each applies to every answer until cleared; an
// answer is the reply, or the replies, to one request.
struct EmulatorFaults {
    bool noReply = false;            // requests are taken but never answered
    int lateReplyMs = 0;             // the answer comes this much later
    bool badChecksum = false;        // the first reply of an answer has its checksum off by one
    bool foreignReplyFirst = false;  // a valid reply to another command comes first
    bool refuseAck = false;          // bulk sends are acknowledged with 0x5B
    int vanishAfterPacket = 0;       // gone after this many bulk packets (0: never)
    bool writeStall = false;         // writes never complete
    int failedWrites = 0;            // this many writes fail at once, the later ones go through
    int gapBeforeReply = 0;          // reply k (1-based) of an answer comes gapMs late
    int gapMs = 0;
    // Reshapes an answer before it is queued (malformed replies).
    std::function<void(uint8_t command, std::vector<Report>& replies)> mangle;
};

class HostEmulator {
  public:
    HostEmulator(Clock& clock, uint16_t product);

    uint16_t product() const { return product_; }
    void SetProduct(uint16_t product) { product_ = product; }

    const EmulatorFaults& faults() const { return faults_; }
    void SetFaults(EmulatorFaults faults);
    void ClearFaults() { SetFaults(EmulatorFaults{}); }

    bool present() const { return present_; }
    void Plug();
    void Unplug();
    std::function<void(bool arrived)> onPlug;

    // Consumes one of the failing writes the faults asked for; true when this
    // write is to fail.
    bool FailThisWrite();

    // An output report from the PC.
    void Receive(const Report& report);
    std::optional<int64_t> NextReplyTime() const;
    std::optional<Report> TakeReply(int64_t now);
    // What a reopened device node no longer holds.
    void DropReplies() { replies_.clear(); }
    // How often the host's node was opened.
    int opens = 0;

    // What the host holds.
    std::string frequencyDigits = "433920000";
    std::string versionText = "KV-HOST V2.1";
    Bytes basicParams;
    std::map<uint8_t, Bytes> addressCodes;  // id '1'..'5' -> id, 0x2C, value, 0x3B
    std::vector<SoundEntry> customSounds;   // area of 0xD5, formatted by 0xD6
    std::vector<SoundEntry> fixedSounds;    // area of 0xD9, formatted by 0xDA
    Bytes firmware;

    // The host takes a bulk packet no sooner than it needs after the one
    // before (it erases after the first): a packet that comes sooner spoils
    // the sequence, which is then refused. Exact where the emulator shares
    // the sender's clock; behind a device node, in another process, arrival
    // times jitter, and keepsTime = false only notes the gaps.
    bool keepsTime = true;
    struct Pacing {
        int64_t shortestMarginUs = INT64_MAX;   // the least time to spare over the need
        int64_t shortestNextGapUs = INT64_MAX;  // between two packets after the first
        int tooSoon = 0;                        // packets that came before their time
    };
    Pacing pacing;

    int replyDelayMs = 1;
    int packetSpacingMs = 1;
    int formatDelayMs = 5000;

    // Every report received, and the command of every valid request frame.
    // A long session under --emulate keeps only the most recent ones: past
    // kLogLimit entries the older half of a log is dropped.
    static constexpr std::size_t kLogLimit = std::size_t{1} << 18;
    std::vector<Report> received;
    std::vector<uint8_t> handled;
    int acknowledgements = 0;

  private:
    void Answer(uint8_t command, std::vector<Report> replies, int64_t delayMs);
    void Queue(int64_t at, const Report& report);
    void BulkPacket(uint8_t command, const Bytes& data);
    // Notes the gap before packet `number` of the sequence; false when the
    // host would refuse it for coming too soon.
    bool KeptPace(std::size_t number, int64_t gapUs);
    void CompleteBulk();
    void SendSequence(uint8_t command, const Bytes& payload);
    void StoreAddressCodes(const Bytes& text);
    Bytes AddressCodeReadBack() const;

    struct Pending {
        int64_t at;
        Report report;
    };
    struct BulkState {
        bool active = false;
        uint8_t command = 0;
        std::size_t total = 0;
        std::size_t next = 0;
        bool wrong = false;
        Bytes image;
        int64_t lastUs = 0;  // when the packet before came
    };

    Clock& clock_;
    uint16_t product_;
    bool present_ = true;
    EmulatorFaults faults_;
    int packetsSinceFaults_ = 0;
    int writesToFail_ = 0;
    std::deque<Pending> replies_;
    BulkState bulk_;
};

}  // namespace korvane

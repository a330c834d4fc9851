// A hostile host: SendCommand, BulkReadToFile and BulkSendBuffer against a
// backend whose every input report, time-out and failure the fuzzer chooses.
// Whatever arrives, the procedures stay inside their buffers, return, close
// the progress dialog they opened, and leave no partial file behind.
//
// Input: [0] procedure and flags, [1] command, [2] write-failure mask, then
// procedure arguments, then the script the backend plays, one control byte
// per read (see HostileBackend::Read).
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/operator_seam.h"
#include "common/staging.h"
#include "hid/hid_backend.h"
#include "hid/hid_link.h"
#include "protocol/lamp_frame.h"
#include "protocol/transaction.h"

namespace {

using namespace korvane;

class Script {
  public:
    Script(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t Byte(uint8_t otherwise = 0) { return pos_ < size_ ? data_[pos_++] : otherwise; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Traps on a dialog write while no dialog is shown.
class FuzzOperator final : public OperatorSeam {
  public:
    void ShowBox(const std::string&, const std::string&, BoxIcon) override {}
    void ProgressOpen() override { open_ = true; }
    bool ProgressIsOpen() const override { return open_; }
    void ProgressSetRange(int upper) override {
        if (!open_ || upper < 0) __builtin_trap();
        upper_ = upper;
    }
    int ProgressPosition() const override { return 0; }
    void ProgressSetPosition(int pos) override {
        if (!open_ || pos < 0 || pos > upper_) __builtin_trap();
    }
    void ProgressSetText(int controlId, const std::string&) override {
        if (!open_ || (controlId != 1001 && controlId != 1002)) __builtin_trap();
    }
    void ProgressClose() override { open_ = false; }
    std::optional<std::string> ChooseFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskAuthorizationPassword() override { return std::nullopt; }

  private:
    bool open_ = false;
    int upper_ = 100;
};

class HostileBackend final : public HidBackend {
  public:
    HostileBackend(Script& script, VirtualClock& clock, uint8_t writeFailures, uint16_t product)
        : script_(script), clock_(clock), writeFailures_(writeFailures), product_(product) {}

    LampProtocol* protocol = nullptr;

    std::vector<HidDeviceInfo> Enumerate() override { return {{"hostile:0", 0x0483, product_}}; }
    bool Open(const std::string&) override {
        open_ = true;
        return true;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override {
        vendor = 0x0483;
        product = product_;
        return open_;
    }

    bool Write(const Report& report, int timeoutMs) override {
        if (report[0] != 0x00) __builtin_trap();
        lastCommand_ = report[4];
        const bool fails = writes_ < 8 && (writeFailures_ >> writes_ & 1) != 0;
        ++writes_;
        if (!open_ || fails) {
            clock_.SleepMs(timeoutMs);
            return false;
        }
        packet_ = 0;
        return true;
    }

    // Control byte per read:
    //   00-3F  64 raw bytes follow
    //   40-7F  a reply frame: command, length byte, data; checksum right unless bit 0
    //   80-BF  a bulk-read packet of the last command: count, payload length
    //   C0-DF  time-out        E0-EF  device error
    //   F0-F7  the operator presses cancel, then time-out
    //   F8-FF  the bulk acknowledgement of the last command (bit 0: refused)
    // An exhausted script times out.
    ReadResult Read(Report& report, int timeoutMs) override {
        if (!open_) return ReadResult::Error;
        if (script_.empty()) return TimeOut(timeoutMs);
        const uint8_t c = script_.Byte();
        report.fill(0);
        if (c < 0x40) {
            for (size_t i = 1; i < report.size(); ++i) report[i] = script_.Byte();
        } else if (c < 0x80) {
            const uint8_t command = script_.Byte();
            const uint8_t n = script_.Byte();
            Bytes data;
            for (size_t i = 0; i < n && i < kMaxFrameData; ++i) data.push_back(script_.Byte());
            report = LampFrame::MakeReply(command, data);
            report[5] = n;  // the length byte as the host sent it, even past 58
            if (n <= kMaxFrameData && (c & 1) != 0) report[6 + n] ^= 0x01;
        } else if (c < 0xC0) {
            const uint8_t total = script_.Byte();
            const size_t payload = script_.Byte() % 60;  // 55..59 do not fit a packet
            ++packet_;
            Bytes data = {0x00, total, static_cast<uint8_t>(packet_ >> 8),
                          static_cast<uint8_t>(packet_ & 0xFF)};
            for (size_t i = 0; i < payload && data.size() < kMaxFrameData; ++i)
                data.push_back(static_cast<uint8_t>(i + packet_));
            report = LampFrame::MakeReply(lastCommand_, data);
            report[5] = static_cast<uint8_t>(payload + 4);
        } else if (c < 0xE0) {
            return TimeOut(timeoutMs);
        } else if (c < 0xF0) {
            return ReadResult::Error;
        } else if (c < 0xF8) {
            if (protocol != nullptr) protocol->OnCancelRequest(1);
            return TimeOut(timeoutMs);
        } else {
            const uint8_t verdict = (c & 1) != 0 ? 0x5B : 0x5A;
            report = LampFrame::MakeReply(lastCommand_, &verdict, 1);
        }
        report[0] = 0x00;
        return ReadResult::Ok;
    }

  private:
    ReadResult TimeOut(int timeoutMs) {
        clock_.SleepMs(timeoutMs > 0 ? timeoutMs : 1);
        return ReadResult::Timeout;
    }

    Script& script_;
    VirtualClock& clock_;
    uint8_t writeFailures_;
    uint16_t product_;
    bool open_ = false;
    int writes_ = 0;
    uint8_t lastCommand_ = 0;
    size_t packet_ = 0;
};

std::string g_folder;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-fuzz-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) abort();
    g_folder = tmpl;
    setenv("KORVANE_STAGING_DIR", g_folder.c_str(), 1);
    atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(g_folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t mode = data[0];
    const uint8_t command = data[1];
    Script script(data + 3, size - 3);

    VirtualClock clock;
    FuzzOperator op;
    HostileBackend backend(script, clock, data[2], (mode & 0x08) != 0 ? 0x7890 : 0x1234);
    HidLink link(backend, clock, op);
    LampProtocol protocol(link, op, clock);
    backend.protocol = &protocol;

    const std::string readPath = g_folder + "/RHost.txt";
    const std::string tempPath = g_folder + "/Temp.txt";
    RemoveFile(readPath);

    switch (mode % 3) {
        case 0: {
            Bytes payload;
            const uint8_t n = script.Byte();
            for (uint8_t i = 0; i < n % (kMaxFrameData + 1); ++i) payload.push_back(script.Byte());
            const auto request = LampFrame::FrameRequest(command, payload);
            if (!request) __builtin_trap();
            const int r = protocol.SendCommand((mode & 0x04) != 0 ? 1 : 0,
                                               static_cast<int>(request->size()), request->data());
            if (r == 1 && (mode & 0x04) != 0) {
                if (LampFrame::CheckReply(protocol.InputReport) != LampFrame::ReplyCheck::Ok ||
                    LampFrame::CommandOf(protocol.InputReport) != command)
                    __builtin_trap();
            }
            break;
        }
        case 1: {
            const int r = protocol.BulkReadToFile(command, readPath, "");
            if (r != 1 && Exists(readPath)) __builtin_trap();  // never a partial file
            if (r == 1) {
                const auto content = ReadWholeFile(readPath, 65535 * 54 + 1);
                if (!content || content->size() > 65535 * 54) __builtin_trap();
            }
            break;
        }
        default: {
            const size_t length = ((size_t{script.Byte()} << 8) | script.Byte()) % 1200;
            Bytes image(length);
            for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>(i * 7);
            (void)protocol.BulkSendBuffer(command, image.data(), image.size(), "t");
            if (Exists(tempPath)) __builtin_trap();
            break;
        }
    }
    if (op.ProgressIsOpen() || link.busy()) __builtin_trap();
    return 0;
}

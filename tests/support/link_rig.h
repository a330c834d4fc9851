#pragma once
// The whole stack against the emulated host, in virtual time, with a fresh
// private staging folder per test.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/clock.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/hid_link.h"
#include "protocol/transaction.h"
#include "tests/support/bytes.h"
#include "tests/support/recording_operator.h"

namespace korvane::test {

// A private folder for the staging files, named by KORVANE_STAGING_DIR.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        if (made != nullptr) path = made;
        setenv("KORVANE_STAGING_DIR", path.c_str(), 1);
    }
    ~ScratchFolder() {
        unsetenv("KORVANE_STAGING_DIR");
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

class LinkTest : public ::testing::Test {
  protected:
    VirtualClock clock;
    HostEmulator host{clock, 0x1234};
    EmulatedBackend backend{host, clock};
    RecordingOperator op{&clock};
    HidLink link{backend, clock, op};
    LampProtocol protocol{link, op, clock};
    ScratchFolder scratch;

    int Send(const std::string& hexRequest, int waitForReply = 1) {
        const Bytes req = Hex(hexRequest);
        return protocol.SendCommand(waitForReply, static_cast<int>(req.size()), req.data());
    }
};

// A 65-byte report from its leading bytes, zero-filled.
inline std::string Padded(const std::string& hexStart) {
    Bytes b = Hex(hexStart);
    b.resize(65, 0);
    return ToHex(b);
}

inline Bytes Counting(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i + 1);
    return b;
}

}  // namespace korvane::test

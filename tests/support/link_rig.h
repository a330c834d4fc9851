#pragma once
// The whole stack against the emulated host, in virtual time, with a fresh
// private staging folder per test.
#include <gtest/gtest.h>

#include <string>

#include "common/clock.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "hid/hid_link.h"
#include "protocol/transaction.h"
#include "tests/support/bytes.h"
#include "tests/support/recording_operator.h"
#include "tests/support/scratch_folder.h"

namespace korvane::test {

class LinkTest : public ::testing::Test {
  protected:
    VirtualClock clock;
    HostEmulator host{clock, 0x1234};
    EmulatedBackend backend{host, clock};
    RecordingOperator op{&clock};
    HidLink link{backend, clock, op};
    LampProtocol protocol{link, op, clock};
    ScratchFolder scratch{ScratchFolder::Use::Staging};

    int Send(const std::string& hexRequest, int waitForReply = 1) {
        const Bytes req = Hex(hexRequest);
        return protocol.SendCommand(waitForReply, static_cast<int>(req.size()), req.data());
    }
};

}  // namespace korvane::test

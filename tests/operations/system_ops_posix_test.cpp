// A FIFO and a device chosen as the firmware image: refused without a read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "operations/system_ops.h"
#include "tests/operations/ops_rig.h"

namespace korvane::test {
namespace {

TEST_F(OpsTest, APipeOrDeviceIsNoImage) {
    const std::string pipe = scratch.File("fw-pipe.bin");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, std::string("/dev/zero")}) {
        op.fileAnswer = path;
        op.Clear();
        EXPECT_FALSE(ops::UpgradeFirmware(ctx)) << path;
        EXPECT_TRUE(op.Boxes().empty()) << path;
        EXPECT_FALSE(op.ProgressIsOpen());
    }
    EXPECT_TRUE(host.received.empty());
}

}  // namespace
}  // namespace korvane::test

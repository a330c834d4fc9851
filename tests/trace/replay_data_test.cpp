// The traces kept under tests/data, made by korvane-cli against the emulator
// and through hidapi on a mocked node, each replayed as the host with the
// operation that made it.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "common/clock.h"
#include "operations/system_ops.h"
#include "operations/voice_ops.h"
#include "session/host_session.h"
#include "tests/support/recording_operator.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/trace_sound.h"

namespace korvane {
namespace {

void WriteSound(const std::string& folder, std::string bytes) {
    std::ofstream(folder + "/alarm.wav", std::ios::binary) << bytes;
}

TEST(ReplayData, EachKeptTraceReplaysWithTheOperationThatMadeIt) {
    test::ScratchFolder scratch(test::ScratchFolder::Use::Staging);
    const std::string sounds = scratch.Folder("sounds");
    WriteSound(sounds, test::TraceSound());
    std::string changedBytes = test::TraceSound();
    changedBytes[1000] = static_cast<char>(changedBytes[1000] ^ 0x01);
    const std::string changed = scratch.Folder("changed");
    WriteSound(changed, changedBytes);
    auto download = [](OperationContext& ctx) {
        return ops::DownloadVoice(ctx, ops::SoundArea::Custom);
    };
    auto frequency = [](OperationContext& ctx) {
        if (!ops::SetFrequency(ctx, 433.5f)) return false;
        const std::optional<float> read = ops::ReadFrequency(ctx);
        return read && *read > 433.49f && *read < 433.51f;
    };
    const struct {
        const char* trace;
        std::string folder;
        std::function<bool(OperationContext&)> run;
        bool ok;
        const char* finding;  // in the replay's findings; nullptr: none
    } cases[] = {
        {"trace-download-emulated.jsonl", sounds, download, true, nullptr},
        {"trace-download-hidraw.jsonl", sounds, download, true, nullptr},
        {"trace-download-hidraw.jsonl", changed, download, false, "of a bulk send"},
        {"trace-download-emulated.jsonl", changed, download, false, "of a bulk send"},
        // Two runs in one file: a set of the frequency, then a read.
        {"trace-frequency-emulated.jsonl", sounds, frequency, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.trace) + " " + c.folder);
        VirtualClock clock;
        test::RecordingOperator op(&clock);
        op.folderAnswer = c.folder;
        SessionOptions options;
        options.replay = std::string(KORVANE_TEST_DATA) + "/" + c.trace;
        HostSession session(clock, op, options);
        EXPECT_EQ(c.run(session.context()), c.ok);
        const std::vector<std::string> findings = session.ReplayFindings();
        if (c.finding == nullptr) {
            EXPECT_TRUE(findings.empty()) << findings.front();
            continue;
        }
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_NE(findings[0].find(c.finding), std::string::npos) << findings[0];
        bool failed = false;
        for (const test::OperatorEvent& e : op.events)
            failed = failed || e.text == "下载WAV音频报警音发送失败";
        EXPECT_TRUE(failed);
    }
}

}  // namespace
}  // namespace korvane

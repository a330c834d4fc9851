// The console closing while a download runs: the handler's request ends the
// five-second pause after the first packet, the transfer stops after the
// next one with the staged image removed, and the program is to end with 1.
#include "cli/interrupt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli_runner.h"
#include "emulator/host_emulator.h"

namespace korvane::clitest {
namespace {

TEST(CliClose, ClosingTheConsoleCancelsTheDownloadAndWaitsForItsEnd) {
    CliScratch scratch;
    ASSERT_TRUE(QDir(scratch.Path("sounds")).mkpath("."));
    scratch.WriteFile("sounds/fire.wav", QByteArray(54 * 40, '\x52'));
    qputenv("KORVANE_STAGING_DIR", scratch.StagingDir().toUtf8());
    cli::InstallInterruptHandler();
    cli::Options options;
    options.session.emulate = {LampModel::Rt221};
    options.args = {"voice", "download", "custom", scratch.Path("sounds").toStdString()};
    std::FILE* sink = std::tmpfile();
    const cli::Output out(sink, sink);
    cli::TerminalOperator op(sink, sink);
    SystemClock clock;
    cli::Runner runner(options, out, clock, op);

    // The console closes half a second into the download.
    auto closing = std::async(std::launch::async, [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto asked = std::chrono::steady_clock::now();
        const int status = cli::CloseRequested(4000);
        return std::make_pair(status, std::chrono::steady_clock::now() - asked);
    });
    const auto start = std::chrono::steady_clock::now();
    const int status = cli::RunCommand(runner);
    const auto took = std::chrono::steady_clock::now() - start;
    cli::CommandFinished(status);
    const auto [ended, waited] = closing.get();
    std::fclose(sink);
    qunsetenv("KORVANE_STAGING_DIR");

    EXPECT_EQ(status, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_LT(took, std::chrono::seconds(3)) << "the 5 s pause was waited out";
    EXPECT_LT(waited, std::chrono::seconds(4));
    EXPECT_EQ(runner.session().emulator()->customSounds.size(), 0u);
    EXPECT_FALSE(scratch.Exists("staging/Temp.txt"));
}

}  // namespace
}  // namespace korvane::clitest

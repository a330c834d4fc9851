// What the additions cost the operator: one line of the provisioning record
// (lock, rotation check, append, unlock) and the plan of a large sound folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "operations/voice_plan.h"
#include "record/record_log.h"

namespace korvane::bench {
namespace {

std::string ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
    const char* made = mkdtemp(tmpl.data());
    return made != nullptr ? made : "";
}

void BM_RecordLine(benchmark::State& state) {
    const std::string dir = ScratchDir();
    const std::string path = dir + "/record.jsonl";
    const std::string line(static_cast<std::size_t>(state.range(0)), 'x');
    std::string why;
    for (auto _ : state) {
        if (!record::AppendRecordLine(path, line, why)) state.SkipWithError(why.c_str());
    }
    std::filesystem::remove_all(dir);
}

void BM_PlanFolder(benchmark::State& state) {
    const std::string dir = ScratchDir();
    // A WAVE header and a little audio: the plan reads sizes and headers only.
    const std::string header(
        "RIFF\x64\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x40\x1F\0\0\x01\0\x08\0"
        "data\x40\0\0\0",
        44);
    for (int i = 0; i < state.range(0); ++i) {
        std::ofstream f(dir + "/s" + std::to_string(i) + ".wav", std::ios::binary);
        f << header << std::string(64, '\x80');
    }
    for (auto _ : state) benchmark::DoNotOptimize(ops::PlanSoundFolder(dir));
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_RecordLine)->Arg(600)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlanFolder)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane::bench

BENCHMARK_MAIN();

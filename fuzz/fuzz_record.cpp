// The provisioning record is a file that outlives the program that wrote it
// and may be cut off or edited by hand: whatever it holds, reading it and
// showing it as a table or as JSON lines never crashes.
#include <unistd.h>

#include <QJsonObject>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/output.h"
#include "record/record_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        char name[] = "/tmp/korvane-fuzz-record-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::vector<QJsonObject> lines;
    korvane::record::ReadRecord(path, [&](const QJsonObject& line) { lines.push_back(line); });
    static std::FILE* sink = std::fopen("/dev/null", "w");
    korvane::cli::Output out(sink, sink);
    out.RecordLines(lines);
    out.json = true;
    out.RecordLines(lines);
    return 0;
}

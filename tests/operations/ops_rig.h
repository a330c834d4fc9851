#pragma once
// The operations against the emulated host, in virtual time.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "operations/operation_context.h"
#include "tests/support/link_rig.h"
#include "tests/support/working_directory.h"

namespace korvane::test {

class OpsTest : public LinkTest {
  protected:
    OperationContext ctx{protocol, op, scratch.File("Write.txt"), scratch.File("RHost.txt")};

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const auto& e : op.Boxes()) out.push_back(e.text);
        return out;
    }
    // Request bytes (type through checksum) of every request the host took in.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const Report& r : host.received) {
            const std::size_t n = r[5] <= 58 ? r[5] : 58;
            out.push_back(
                ToHex(Bytes(r.begin() + 3, r.begin() + 7 + static_cast<std::ptrdiff_t>(n))));
        }
        return out;
    }
    static void WriteFile(const std::string& path, const Bytes& bytes) {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
};

// Folders of sound files for the voice operations, and what the host took in.
class VoiceTest : public OpsTest {
  protected:
    // A fresh folder inside the scratch folder.
    std::string Folder(const std::string& name) const {
        const std::string dir = scratch.File(name);
        std::filesystem::create_directories(dir);
        return dir;
    }
    // The image the host was sent under `cmd`, put together from the packets.
    Bytes SentImage(uint8_t cmd) const {
        Bytes image;
        for (const Report& r : host.received) {
            if (r[4] != cmd || r[5] < 4 || r[5] > 58) continue;
            image.insert(image.end(), r.begin() + 10, r.begin() + 6 + r[5]);
        }
        return image;
    }
    bool StagingLeftovers() const {
        return std::filesystem::exists(scratch.File("Temp.txt")) ||
               std::filesystem::exists(scratch.File("RHost.txt"));
    }
};

}  // namespace korvane::test

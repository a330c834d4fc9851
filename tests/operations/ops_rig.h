#pragma once
// The operations against the emulated host, in virtual time.
#include <filesystem>
#include <string>
#include <vector>

#include "operations/operation_context.h"
#include "tests/support/link_rig.h"
#include "tests/support/scratch_folder.h"

namespace korvane::test {

using Strings = std::vector<std::string>;

class OpsTest : public LinkTest {
  protected:
    OperationContext ctx{protocol, op, scratch.File("Write.txt"), scratch.File("RHost.txt")};

    // Request bytes (type through checksum) of every request the host took in.
    Strings Requests() const {
        Strings out;
        for (const Report& r : host.received) {
            const std::size_t n = r[5] <= 58 ? r[5] : 58;
            out.push_back(
                ToHex(Bytes(r.begin() + 3, r.begin() + 7 + static_cast<std::ptrdiff_t>(n))));
        }
        return out;
    }
};

// Folders of sound files for the voice operations, and what the host took in.
class VoiceTest : public OpsTest {
  protected:
    // A fresh folder inside the scratch folder.
    std::string Folder(const std::string& name) const { return scratch.Folder(name); }
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

#pragma once
// Folders of sound files for the voice operations, and what the host took in.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/ops/ops_rig.h"

namespace korvane::test {

// Runs the test in another working directory and comes back afterwards.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& dir) {
        std::error_code ec;
        saved_ = std::filesystem::current_path(ec).string();
        std::filesystem::current_path(dir, ec);
    }
    ~WorkingDirectory() {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    std::string saved_;
};

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

#pragma once
// A private folder for one test (or one test program), removed with all it
// holds. The staging files go through it too when it is asked to hold them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

class ScratchFolder {
  public:
    enum class Use {
        Files,    // the test's own files only
        Staging,  // KORVANE_STAGING_DIR names the folder while it lives
    };
    explicit ScratchFolder(Use use = Use::Files);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }
    // A folder inside this one, made on the way.
    std::string Folder(const std::string& name) const;

    std::string path;

  private:
    bool holdsStaging_ = false;
    std::optional<std::string> savedStaging_;  // the value before, restored at the end
};

// The environment the way the tests change it (POSIX and Windows alike).
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);
std::optional<std::string> GetEnv(const std::string& name);

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace korvane::test

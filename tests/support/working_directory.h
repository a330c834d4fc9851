#pragma once
// Some lookups go by the working directory (the authorization key file
// pwd.txt): tests that need a particular one switch and always come back.
#include <filesystem>
#include <string>

namespace korvane::test {

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

}  // namespace korvane::test

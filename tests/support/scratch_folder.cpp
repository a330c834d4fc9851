#include "tests/support/scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace korvane::test {

namespace {

// A fresh folder only this user can enter: staging refuses anything looser.
std::string MakePrivateFolder() {
    std::random_device seed;
    std::mt19937_64 rng(seed());
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = base / ("korvane-test-" + std::to_string(rng() % 100000000));
        if (!fs::create_directory(dir, ec)) continue;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace, ec);
        return dir.u8string();
    }
    throw std::runtime_error("no scratch folder could be made in " + base.string());
}

}  // namespace

ScratchFolder::ScratchFolder(Use use) : path(MakePrivateFolder()) {
    if (use == Use::Staging) {
        holdsStaging_ = true;
        savedStaging_ = GetEnv("KORVANE_STAGING_DIR");
        SetEnv("KORVANE_STAGING_DIR", path);
    }
}

ScratchFolder::~ScratchFolder() {
    if (holdsStaging_) {
        if (savedStaging_)
            SetEnv("KORVANE_STAGING_DIR", *savedStaging_);
        else
            UnsetEnv("KORVANE_STAGING_DIR");
    }
    std::error_code ec;
    fs::remove_all(fs::u8path(path), ec);
}

std::string ScratchFolder::Folder(const std::string& name) const {
    const std::string dir = File(name);
    fs::create_directories(fs::u8path(dir));
    return dir;
}

void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnv(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

std::optional<std::string> GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    // UTF-8 names: a narrow one would go through the ANSI code page on Windows.
    std::ofstream f(fs::u8path(path), std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(fs::u8path(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f),
                                std::istreambuf_iterator<char>());
}

}  // namespace korvane::test

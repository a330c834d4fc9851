#pragma once
// A file the operator pointed at: a firmware image, a WAV file of a folder.
// It is opened without waiting on a FIFO or a device and taken only when it
// is a regular file, so a stray pipe or device node named *.wav cannot hold
// the window. Symbolic links are followed: the operator chose the name.
// Paths are UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane::ops {

class OperatorFile {
  public:
    explicit OperatorFile(const std::string& path);
    ~OperatorFile();
    OperatorFile(const OperatorFile&) = delete;
    OperatorFile& operator=(const OperatorFile&) = delete;

    // Opened, and a regular file.
    bool ok() const { return handle_ != -1; }
    std::uint64_t size() const { return size_; }
    // Exactly `n` bytes from the start of the file; false when it gave fewer.
    bool ReadAll(std::uint8_t* out, std::size_t n);

  private:
    std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
    std::uint64_t size_ = 0;
};

// True when `path` opens for reading as a file (a folder of that name does
// not count). Nothing is read, and a pipe of that name cannot hold the caller.
bool OpensForReading(const std::string& path);

}  // namespace korvane::ops

#include <windows.h>

#include <algorithm>

#include "common/utf16_windows.h"
#include "operations/operator_file.h"

namespace korvane::ops {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

OperatorFile::OperatorFile(const std::string& path) {
    const auto wide = win::Widen(path);
    if (!wide || wide->empty()) return;
    // Opening a pipe name fails at once when no instance is free, and a
    // device, a pipe or a folder is refused by its type before any read.
    HANDLE h = CreateFileW(wide->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !GetFileSizeEx(h, &size) ||
        size.QuadPart < 0) {
        CloseHandle(h);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

OperatorFile::~OperatorFile() {
    if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

bool OperatorFile::ReadAll(std::uint8_t* out, std::size_t n) {
    if (handle_ == -1) return false;
    std::size_t done = 0;
    while (done < n) {
        // Positioned reads, as pread: the result does not hang on where an
        // earlier read left the file pointer.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(done & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(done) >> 32);
        const auto want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), out + done, want, &got, &at)) return false;
        if (got == 0) return false;  // the file shrank since it was measured
        done += got;
    }
    return true;
}

bool OpensForReading(const std::string& path) {
    const auto wide = win::Widen(path);
    if (!wide || wide->empty()) return false;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open at all; a file
    // another program holds locked does not open either.
    HANDLE h = CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

}  // namespace korvane::ops

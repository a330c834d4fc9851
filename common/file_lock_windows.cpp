#include <windows.h>

#include <chrono>
#include <thread>

#include "common/file_lock.h"
#include "common/utf16_windows.h"

namespace korvane {

namespace {
constexpr auto kLockPatience = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(10);
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
}  // namespace

FileLock::FileLock(const std::string& lockPath, Need need) {
    const auto path = win::Widen(lockPath);
    if (!path) return;
    HANDLE h = CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                           need == Need::Create ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        ok_ = need == Need::IfPresent &&
              (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    for (;;) {
        OVERLAPPED at{};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
        if (GetLastError() != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() > giveUp)
            return;
        std::this_thread::sleep_for(kLockRetry);
    }
    ok_ = true;
}

FileLock::~FileLock() {
    if (handle_ == -1) return;
    auto* h = reinterpret_cast<HANDLE>(handle_);
    if (ok_) {
        OVERLAPPED at{};
        UnlockFileEx(h, 0, 1, 0, &at);
    }
    CloseHandle(h);
}

}  // namespace korvane

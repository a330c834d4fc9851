#include "common/staging.h"

#include <memory>

#include "common/file_lock.h"
#include "common/texts.h"

namespace korvane {

namespace {
// One thread stages (the one that runs the exchanges): the count needs no lock.
int g_holders = 0;
std::unique_ptr<FileLock> g_lock;
}  // namespace

StagingLock::StagingLock() {
    if (g_holders++ > 0) {
        ok_ = g_lock != nullptr;
        return;
    }
    const std::optional<std::string> dir = StagingDirectory();
    if (dir) {
        auto lock = std::make_unique<FileLock>(*dir + "/staging.lock", FileLock::Need::Create);
        if (lock->ok()) g_lock = std::move(lock);
    }
    ok_ = g_lock != nullptr;
}

StagingLock::~StagingLock() {
    if (--g_holders == 0) g_lock.reset();
}

std::string StagingFailedText() {
    const std::string dir = StagingFolderName();
    if (dir.empty()) return texts::kStagingFailed;
    return std::string(texts::kStagingFailed) + "\n" + texts::kStagingFolder + dir;
}

}  // namespace korvane

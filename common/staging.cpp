#include "common/staging.h"

#include "common/texts.h"

namespace korvane {

std::string StagingFailedText() {
    const std::string dir = StagingFolderName();
    if (dir.empty()) return texts::kStagingFailed;
    return std::string(texts::kStagingFailed) + "\n" + texts::kStagingFolder + dir;
}

}  // namespace korvane

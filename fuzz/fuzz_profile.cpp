// A profile is a file operators write and copy around: whatever it holds,
// reading, judging and writing it back never reads past a buffer or crashes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string why;
    korvane::cli::Profile profile;
    if (korvane::cli::ProfileFromJson(std::string(reinterpret_cast<const char*>(data), size),
                                      profile, &why)) {
        (void)korvane::cli::ValidateProfile(profile, &why);
        (void)korvane::cli::ProfileToJson(profile);
    }
    return 0;
}

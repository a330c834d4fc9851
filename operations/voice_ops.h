#pragma once
// Sound areas: authorization, downloads of a WAV folder, formats.
#include <optional>
#include <string>

#include "operations/operation_context.h"
#include "protocol/sound_image.h"

namespace korvane::ops {

enum class SoundArea { Custom, Fixed };

// The authorization step before a fixed-area operation. A wrong password has
// been reported when it returns false; a cancelled dialog ends silently.
bool Authorize(OperatorSeam& op);
// The same decision for a password given without a dialog.
bool AuthorizationAccepts(const std::string& entered);

struct SoundImageResult {
    std::optional<SoundImage> image;  // set when the folder gave a sendable image
    std::string error;                // the message to show otherwise (may be empty: say nothing)
};
// Lists `folder` for *.wav (case-insensitive) and assembles the image with
// its limits, the files in ListedBefore order.
SoundImageResult AssembleSoundFolder(const std::string& folder);
// The order Windows lists a folder of its own file system in, on every
// system: names (UTF-8) compared as capitalised UTF-16 code units, ties
// broken by the exact bytes.
bool ListedBefore(const std::string& a, const std::string& b);

bool DownloadVoice(OperationContext& ctx, SoundArea area);
bool FormatVoiceArea(OperationContext& ctx, SoundArea area);

}  // namespace korvane::ops

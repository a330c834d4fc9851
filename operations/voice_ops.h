#pragma once
// Sound areas: authorization, downloads of a WAV folder, formats.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operations/operation_context.h"
#include "protocol/sound_image.h"

namespace korvane::ops {

// The authorization step before a fixed-area operation. A wrong password has
// been reported when it returns false; a cancelled dialog ends silently.
bool Authorize(OperatorSeam& op);
// The same decision for a password given without a dialog.
bool AuthorizationAccepts(const std::string& entered);

// A folder's sound files in the order they are sent.
struct SoundFile {
    std::string name;     // UTF-8, as the listing gave it
    std::string path;     // UTF-8
    std::string gbkName;  // the name in the host's code page
};
struct SoundListing {
    std::vector<SoundFile> files;
    std::string error;  // the message when there is nothing to send (files is empty then)
};
// Lists `folder` for *.wav (case-insensitive), in ListedBefore order. A
// folder without one, or with a name the host's code page lacks, gives the
// message the download shows.
SoundListing ListSoundFolder(const std::string& folder);
// The message that refuses an image of these totals, or nullptr when it may go.
const char* SoundImageRefusal(std::uint64_t audioTotal, std::size_t entries);
// The message for a listed file that cannot be opened or read.
std::string UnreadableSoundText(const SoundFile& file);

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

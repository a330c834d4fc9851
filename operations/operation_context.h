#pragma once
// What every operation of the form needs: the protocol procedures, the
// operator seam, and where the parameter lists are staged.
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "common/operator_seam.h"
#include "protocol/records.h"
#include "protocol/sound_image.h"

namespace korvane {

class LampProtocol;

namespace ops {
enum class SoundArea { Custom, Fixed };
}  // namespace ops

// What each changing operation sends.
namespace sent {
struct Init {};
struct Frequency {
    float mhz = 0;
};
struct Basic {
    BasicParamValues values;
};
struct AddressCodes {
    AddressCodeValues values;
};
struct Download {
    ops::SoundArea area = ops::SoundArea::Custom;
    std::string folder;
    std::vector<SoundEntry> sounds;  // each entry's name field and length, in order
};
struct Format {
    ops::SoundArea area = ops::SoundArea::Custom;
};
struct Upgrade {
    std::string image;        // the firmware image's file
    std::uint64_t bytes = 0;  // and its length
};
}  // namespace sent

// What an operation is about to send, told once, just before its first
// request goes out: an operation refused or abandoned before that tells
// nothing.
using Outgoing = std::variant<sent::Init, sent::Frequency, sent::Basic, sent::AddressCodes,
                              sent::Download, sent::Format, sent::Upgrade>;

struct OperationContext {
    LampProtocol& protocol;
    OperatorSeam& op;
    std::string writePath;  // Write.txt: the last parameter request sent
    std::string readPath;   // RHost.txt: a read-back until it has been parsed
    // Told what each changing operation sends (the provisioning record).
    std::function<void(const Outgoing&)> onSending = nullptr;
};

// Progress dialog of a single-command operation: range 0..100, the bar never moves.
void ShowCommandProgress(OperatorSeam& op, const std::string& text);
// Tells onSending, where someone listens.
void TellSending(const OperationContext& ctx, const Outgoing& what);

}  // namespace korvane

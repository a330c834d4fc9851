#pragma once
// What every operation of the form needs: the protocol procedures, the
// operator seam, and where the parameter lists are staged.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/operator_seam.h"
#include "protocol/records.h"
#include "protocol/sound_image.h"

namespace korvane {

class LampProtocol;

namespace ops {
enum class SoundArea { Custom, Fixed };
}  // namespace ops

// What an operation is about to send, told once, just before its first
// request goes out: an operation refused or abandoned before that tells
// nothing. Only the fields of its kind are set.
struct Outgoing {
    enum class Kind { Init, Frequency, Basic, AddressCodes, Download, Format, Upgrade };
    Kind kind = Kind::Init;
    float frequency = 0;
    BasicParamValues basic;
    AddressCodeValues address;
    ops::SoundArea area = ops::SoundArea::Custom;
    std::string source;              // the sound folder or the firmware image
    std::uint64_t bytes = 0;         // the firmware image's length
    std::vector<SoundEntry> sounds;  // each entry's name field and length, in order
};

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

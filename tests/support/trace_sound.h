#pragma once
// The sound the download traces under tests/data were made with, and the
// replay tests download again: a short WAV file, its bytes counted up.
#include <string>

namespace korvane::test {

inline std::string TraceSound() {
    std::string wav("RIFF\xe4\x07\x00\x00WAVEfmt ", 16);
    for (int i = 0; i < 2000; ++i) wav.push_back(static_cast<char>(i * 7 + 3));
    return wav;
}

}  // namespace korvane::test

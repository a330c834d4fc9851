#pragma once
// Writing expected bytes the way the protocol documents them: "01 D0 00 2E".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace korvane::test {

inline std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) out.push_back(static_cast<uint8_t>(std::stoul(tok, nullptr, 16)));
    return out;
}

template <typename Container>
std::string ToHex(const Container& bytes) {
    std::string s;
    char buf[4];
    for (auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", static_cast<unsigned>(static_cast<uint8_t>(b)));
        s += buf;
    }
    if (!s.empty()) s.pop_back();
    return s;
}

// "FF FF FF" for Repeat("FF", 3): runs of filler inside an expected dump.
inline std::string Repeat(const std::string& byte, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += (i ? " " : "") + byte;
    return s;
}

// A 65-byte report from its leading bytes, zero-filled.
inline std::string Padded(const std::string& hexStart) {
    std::vector<uint8_t> b = Hex(hexStart);
    b.resize(65, 0);
    return ToHex(b);
}

// 01 02 03 ... n bytes, wrapping after FF.
inline std::vector<uint8_t> Counting(std::size_t n) {
    std::vector<uint8_t> b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i + 1);
    return b;
}

}  // namespace korvane::test

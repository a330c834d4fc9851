#pragma once
// Writing expected bytes the way the protocol documents them: "01 D0 00 2E".
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

}  // namespace korvane::test

#include "common/letter_case.h"

#include <cstdint>
#include <optional>

namespace korvane {

namespace {

struct CaseRange {
    char16_t first;
    char16_t last;
    int delta;  // capital = small + delta
    int step;   // 2: only every other unit of the range is a small letter
};

constexpr CaseRange kRanges[] = {
    {0x0061, 0x007A, -32, 1},
    {0x00B5, 0x00B5, 0x039C - 0x00B5, 1},
    {0x00E0, 0x00F6, -32, 1},
    {0x00F8, 0x00FE, -32, 1},
    {0x00FF, 0x00FF, 0x0178 - 0x00FF, 1},
    {0x0101, 0x012F, -1, 2},
    {0x0131, 0x0131, 0x0049 - 0x0131, 1},
    {0x0133, 0x0137, -1, 2},
    {0x013A, 0x0148, -1, 2},
    {0x014B, 0x0177, -1, 2},
    {0x017A, 0x017E, -1, 2},
    {0x017F, 0x017F, 0x0053 - 0x017F, 1},
    {0x01CE, 0x01DC, -1, 2},
    {0x01F9, 0x01F9, -1, 1},
    {0x03AC, 0x03AC, -38, 1},
    {0x03AD, 0x03AF, -37, 1},
    {0x03B1, 0x03C1, -32, 1},
    {0x03C2, 0x03C2, -31, 1},
    {0x03C3, 0x03CB, -32, 1},
    {0x03CC, 0x03CC, -64, 1},
    {0x03CD, 0x03CE, -63, 1},
    {0x0430, 0x044F, -32, 1},
    {0x0450, 0x045F, -80, 1},
    {0x2170, 0x217F, -16, 1},
    {0xFF41, 0xFF5A, -32, 1},
};

constexpr char16_t kReplacement = 0xFFFD;

// The code point of the UTF-8 sequence at s[i], moving i past it; nullopt,
// and i moved one byte on, where s[i] starts no valid sequence.
std::optional<char32_t> Decode(const std::string& s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = byte(i);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;  // the smallest code point of that length: no overlong forms
    if (lead < 0x80) {
        length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, least = 0x10000;
    }
    bool valid = length > 0 && i + length <= s.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
        valid = (byte(i + k) & 0xC0) == 0x80;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    valid = valid && c >= least && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    i += valid ? length : 1;
    if (!valid) return std::nullopt;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

char16_t UpperCase(char16_t c) {
    for (const CaseRange& r : kRanges) {
        if (c < r.first || c > r.last) continue;
        if ((c - r.first) % r.step != 0) return c;
        return static_cast<char16_t>(c + r.delta);
    }
    return c;
}

std::u16string UpperUtf16(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = Decode(utf8, i).value_or(kReplacement);
        if (c < 0x10000) {
            out.push_back(UpperCase(static_cast<char16_t>(c)));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::string UpperUtf8(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        const std::optional<char32_t> c = Decode(utf8, i);
        if (!c)
            out.push_back(utf8[at]);
        else
            AppendUtf8(out, *c < 0x10000 ? UpperCase(static_cast<char16_t>(*c)) : *c);
    }
    return out;
}

}  // namespace korvane

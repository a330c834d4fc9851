#include <windows.h>

#include "common/codepage.h"
#include "common/utf16_windows.h"

namespace korvane {

namespace {

constexpr UINT kGbk = 936;

// One GBK character (one or two bytes); nullopt when the bytes are none.
std::optional<std::wstring> GbkCharacter(const char* data, int n) {
    wchar_t out[2];
    const int wide = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, data, n, out, 2);
    if (wide <= 0) return std::nullopt;
    return std::wstring(out, static_cast<std::size_t>(wide));
}

}  // namespace

std::optional<std::string> Utf8ToGbk(const std::string& utf8) {
    if (utf8.empty()) return std::string();
    const auto wide = win::Widen(utf8);
    if (!wide) return std::nullopt;
    const int wn = static_cast<int>(wide->size());
    // No best fit: a character GBK lacks must be refused, not swapped for a
    // look-alike the host would store under another name.
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide->data(), wn, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide->data(), wn, out.data(), n, nullptr,
                            &usedDefault) != n ||
        usedDefault)
        return std::nullopt;
    return out;
}

std::string GbkToUtf8(const std::string& gbk) {
    // Character by character, so that one bad byte costs one U+FFFD and the
    // rest of the text still reads, whatever the host sent.
    std::wstring wide;
    wide.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size();) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            wide.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        const std::size_t len = (b >= 0x81 && b <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
        if (const auto one = GbkCharacter(gbk.data() + i, static_cast<int>(len))) {
            wide += *one;
            i += len;
        } else {
            wide.push_back(L'\xFFFD');
            ++i;
        }
    }
    return win::Narrow(wide);
}

}  // namespace korvane

#include <windows.h>

#include "common/codepage.h"

namespace korvane {

namespace {

constexpr UINT kGbk = 936;

std::optional<std::wstring> Widen(UINT codePage, const char* data, int n) {
    if (n == 0) return std::wstring();
    const int wide = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, n, nullptr, 0);
    if (wide <= 0) return std::nullopt;
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, n, out.data(), wide) != wide)
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(const std::string& utf8) {
    if (utf8.empty()) return std::string();
    const auto wide = Widen(CP_UTF8, utf8.data(), static_cast<int>(utf8.size()));
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
        const auto one = Widen(kGbk, gbk.data() + i, static_cast<int>(len));
        if (one && !one->empty()) {
            wide += *one;
            i += len;
        } else {
            wide.push_back(L'\xFFFD');
            ++i;
        }
    }
    if (wide.empty()) return std::string();
    const int wn = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace korvane

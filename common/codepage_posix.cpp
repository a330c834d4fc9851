#include <iconv.h>

#include <cerrno>

#include "common/codepage.h"

namespace korvane {

namespace {

// Runs one whole conversion through iconv. Returns nullopt when the input has
// a character the target cannot hold (or the converter is missing).
std::optional<std::string> Convert(const char* to, const char* from, const std::string& in,
                                   bool replaceInvalid) {
    iconv_t cd = iconv_open(to, from);
    // iconv_open's failure value is (iconv_t)-1, a pointer made from an integer.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    std::string src = in;
    char* inPtr = src.data();
    std::size_t inLeft = src.size();
    char buf[256];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buf;
        std::size_t outLeft = sizeof buf;
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<std::size_t>(outPtr - buf));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (!replaceInvalid) {
                ok = false;
                break;
            }
            out.append("\xEF\xBF\xBD");  // U+FFFD
            ++inPtr;
            --inLeft;
        }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(const std::string& utf8) {
    return Convert("GBK", "UTF-8", utf8, false);
}

std::string GbkToUtf8(const std::string& gbk) {
    auto s = Convert("UTF-8", "GBK", gbk, true);
    return s ? *s : std::string();
}

}  // namespace korvane

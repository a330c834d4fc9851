#include "common/utf16_windows.h"

#include <windows.h>

namespace korvane::win {

std::optional<std::wstring> Widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int n = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, nullptr, 0);
    if (wide <= 0) return std::nullopt;
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), n, out.data(), wide) !=
        wide)
        return std::nullopt;
    return out;
}

std::string Narrow(const std::wstring& utf16) { return Narrow(utf16, CP_UTF8); }

std::string Narrow(const std::wstring& utf16, unsigned codePage) {
    if (utf16.empty()) return std::string();
    const int wn = static_cast<int>(utf16.size());
    const int n = WideCharToMultiByte(codePage, 0, utf16.data(), wn, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, utf16.data(), wn, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Environment(const wchar_t* name) {
    const DWORD need = GetEnvironmentVariableW(name, nullptr, 0);
    if (need <= 1) return {};
    std::wstring value(need, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), need);
    if (got == 0 || got >= need) return {};
    value.resize(got);
    return value;
}

}  // namespace korvane::win

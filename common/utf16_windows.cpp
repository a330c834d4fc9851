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

std::wstring WidenText(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    // Without MB_ERR_INVALID_CHARS the system puts U+FFFD in place of what
    // is not UTF-8, as it has since Vista.
    const int n = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
    if (wide <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, out.data(), wide);
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

std::string ErrorText(unsigned long code) {
    // The runtime's std::system_category() reads a Windows code as an errno
    // (32, a sharing violation, comes out as "Broken pipe") or hands back
    // bytes in the ANSI code page: the system's own table, in UTF-16.
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    if (text != nullptr) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
        wide.pop_back();
    if (wide.empty()) return "error " + std::to_string(code);
    return Narrow(wide);
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

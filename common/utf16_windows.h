#pragma once
// Windows only: the program's strings are UTF-8; the wide system calls take
// UTF-16. Going through the ANSI code page instead would lose every character
// it lacks (a Chinese file name on an English system).
#include <optional>
#include <string>

namespace korvane::win {

// nullopt when `utf8` is not UTF-8 (such a name can name no file).
std::optional<std::wstring> Widen(const std::string& utf8);
// Text that is only shown (never a path): each byte that starts no UTF-8
// character becomes U+FFFD and the rest still reads.
std::wstring WidenText(const std::string& utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(const std::wstring& utf16);
// The same in another code page, where a character it lacks becomes '?'.
std::string Narrow(const std::wstring& utf16, unsigned codePage);
// An environment variable in full (getenv would pass it through the ANSI
// code page); empty when it is not set.
std::wstring Environment(const wchar_t* name);
// What the system says of an error code (GetLastError), in the user's
// language, as UTF-8 without its closing line break; "error N" where the
// system has no text for it.
std::string ErrorText(unsigned long code);

}  // namespace korvane::win

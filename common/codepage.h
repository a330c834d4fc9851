#pragma once
// The 8-bit code page of the host's texts (936, GBK) and the UTF-8 the rest
// of the program speaks. Sound names go to the host in GBK; what it sends
// back is shown in UTF-8.
#include <optional>
#include <string>

namespace korvane {

// UTF-8 to code page 936 (GBK) bytes; nullopt when a character has no GBK
// form or the input is not UTF-8.
std::optional<std::string> Utf8ToGbk(const std::string& utf8);
// GBK bytes to UTF-8 (for display); each byte that starts no valid sequence
// becomes U+FFFD and the conversion goes on with the next byte.
std::string GbkToUtf8(const std::string& gbk);

}  // namespace korvane

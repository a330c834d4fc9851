#pragma once
// Capital letters, for names (the order of a folder's listing) and for typed
// text (the password edit): the simple one-to-one mappings of the scripts
// whose letters the host's code page holds.
#include <string>

namespace korvane {

// The capital of a UTF-16 code unit: Latin (with Latin-1, Latin Extended-A
// and the pinyin vowels), Greek, Cyrillic, Roman numerals and fullwidth
// Latin; every other unit stands for itself.
char16_t UpperCase(char16_t c);
// UTF-8 text as capitalised UTF-16 code units; a byte that starts no UTF-8
// sequence becomes U+FFFD.
std::u16string UpperUtf16(const std::string& utf8);
// UTF-8 text with its letters capitalised; bytes that are no UTF-8 are kept.
std::string UpperUtf8(const std::string& utf8);

}  // namespace korvane

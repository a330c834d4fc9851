// Linux: a program started from a desktop menu has its output going nowhere
// in particular, and one started from a terminal has the terminal; either
// way the streams are there to write to.
#include <cstdio>

#include "app/start_text.h"

const TextOutlets& SystemTextOutlets() {
    static const TextOutlets outlets{
        [](bool) { return true; },
        [] { return false; },
        [](const std::string& text, bool error) {
            std::fputs(text.c_str(), error ? stderr : stdout);
            std::fflush(error ? stderr : stdout);
        },
        [](const std::string&) {},
        [](const std::string&, bool) {},
    };
    return outlets;
}

// korvane-wine-harness: the Windows programs in front of wine's HID stack.
//   korvane-wine-harness --build DIR [gtest options]   the cases
//   korvane-wine-harness --build DIR figures [PACKETS] [--linux-bench PATH]
//                        a sound download through the stack, its time and CPU
//   korvane-wine-harness --build DIR fleet-figures [PACKETS]
//                        the same download on two hosts at once against one
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "figures.h"
#include "harness.h"
#include "mock_hid_device.h"

int main(int argc, char** argv) {
    using namespace korvane::testing;
    RunUnderUmockdev(argc, argv);
    std::vector<char*> rest;
    bool figures = false;
    bool fleet = false;
    int packets = 820;
    std::string linuxBench;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--build") == 0 && i + 1 < argc) {
            char* real = realpath(argv[++i], nullptr);
            WindowsBuild() = real ? real : argv[i];
            std::free(real);
        } else if (std::strcmp(argv[i], "--linux-bench") == 0 && i + 1 < argc) {
            linuxBench = argv[++i];
        } else if (std::strcmp(argv[i], "figures") == 0) {
            figures = true;
        } else if (std::strcmp(argv[i], "fleet-figures") == 0) {
            figures = fleet = true;
        } else if (figures && std::atoi(argv[i]) > 0) {
            packets = std::atoi(argv[i]);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (figures) {
        if (WindowsBuild().empty()) {
            std::fprintf(stderr, "korvane-wine-harness: figures needs --build DIR\n");
            return 2;
        }
        return fleet ? RunFleetFigures(packets) : RunFigures(packets, linuxBench);
    }
    int n = static_cast<int>(rest.size());
    ::testing::InitGoogleTest(&n, rest.data());
    return RUN_ALL_TESTS();
}

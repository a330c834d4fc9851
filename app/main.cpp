#include <cstdio>

int main() {
    std::printf("korvane %s\n", KORVANE_VERSION);
    return 0;
}

#!/usr/bin/env bash
# Installs what Korvane needs from Debian's packages (only what is missing),
# then configures and builds it in ./build. Run as root, or with sudo at hand.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libhidapi-dev libudev-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth fonts-wqy-microhei
  iproute2 sox clang libclang-rt-dev clang-format clang-tidy python3
  umockdev libumockdev-dev tshark
  python3-pyatspi at-spi2-core dbus-daemon dbus-bin
)

scripts/install-packages.sh setup "${packages[@]}"

BUILD_DIR="${BUILD_DIR:-build}"
BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD_DIR"

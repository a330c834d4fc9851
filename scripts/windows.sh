#!/usr/bin/env bash
# Builds korvane.exe, korvane-cli.exe and everything below them for 64-bit
# Windows with mingw-w64 into build-windows/, and runs their tests
# under wine. Installs what is missing from Debian's packages first (as root,
# or with sudo at hand). Qt for mingw comes from ../shared/win-sdk beside the
# repository, or from an unpacked Qt named by QT_MINGW_PREFIX.
#   scripts/windows.sh            build and test
#   scripts/windows.sh --no-test  build only
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${BUILD_DIR:-$root/build-windows}"
run_tests=1
[ "${1:-}" = "--no-test" ] && run_tests=0

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 qt6-base-dev-tools googletest
  cmake ninja-build xz-utils xvfb nsis zip osslsigncode openssl
  # The installer test unpacks the installer to verify its signed files.
  7zip
  # The harness of the wine HID cases, a Linux program of the same tree.
  build-essential pkg-config qt6-base-dev libgl-dev libhidapi-dev libudev-dev libgtest-dev
  umockdev libumockdev-dev libx11-dev
)
scripts/install-packages.sh windows "${packages[@]}"
mkdir -p "$build"

# Qt 6 for mingw: unpacked once from the shared SDK (its stamp notes which tarball).
sdk="$(cd "$root/.." && pwd)/shared/win-sdk"
tarball="$sdk/qt6-mingw-x86_64-6.4.2.tar.xz"
if [ -n "${QT_MINGW_PREFIX:-}" ]; then
  qt="$QT_MINGW_PREFIX"
elif [ -f "$tarball" ]; then
  qt="$build/qt6-mingw"
  stamp="$(stat -c '%s %Y' "$tarball")"
  if [ "$(cat "$qt/.unpacked" 2>/dev/null)" != "$stamp" ]; then
    echo "windows: unpacking Qt for mingw"
    rm -rf "$qt"
    tar -C "$build" -xJf "$tarball"
    echo "$stamp" > "$qt/.unpacked"
  fi
else
  cat >&2 <<MSG
windows: Qt 6 for mingw not found: there is no $tarball
and QT_MINGW_PREFIX is not set.
Put the shared SDK folder (shared/win-sdk, with qt6-mingw-x86_64-6.4.2.tar.xz) beside
this repository, or build Qt yourself with the recipe that made the tarball,
shared/win-sdk/build-qt-mingw.sh (Debian 12, deb-src for bookworm enabled, as root;
about 40 minutes on 2 cores):
  PREFIX=/opt/qt6-mingw OUT=/tmp build-qt-mingw.sh
and then run
  QT_MINGW_PREFIX=/opt/qt6-mingw scripts/windows.sh
MSG
  exit 1
fi
export QT_MINGW_PREFIX="$qt"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"

# GoogleTest from Debian's sources, built once with the cross compiler.
gtest="$build/googletest"
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "windows: building GoogleTest for mingw"
  cmake -S /usr/src/googletest -B "$build/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$gtest" > "$build/googletest.log"
  cmake --build "$build/googletest-build" -j2 >> "$build/googletest.log"
  cmake --install "$build/googletest-build" >> "$build/googletest.log"
fi

# The harness that puts the Windows programs in front of wine's HID stack is
# a Linux program: built with the host compiler, beside the Windows build.
cmake -S . -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_GUI=OFF \
  -DKORVANE_BUILD_BENCH=OFF > "$build/host.log"
cmake --build "$build/host" --target korvane-wine-harness >> "$build/host.log"
harness="$build/host/tests/umockdev/wine/korvane-wine-harness"

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DKORVANE_WINE_HARNESS="$harness" \
  -DQT_MINGW_PREFIX="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DKORVANE_BUILD_GUI=ON -DKORVANE_BUILD_TESTS=ON -DGTest_DIR="$gtest/lib/cmake/GTest" \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/scripts/wine-run.sh;$build" ${CMAKE_EXTRA_ARGS:-}
cmake --build "$build" -j2
# The installer and the portable .zip, in build-windows/package/.
cmake --build "$build" --target windows_package
[ "$run_tests" = 1 ] || exit 0

# One wine prefix for the whole run: the first start makes it (some seconds).
# wine ends its services, and with them its HID devices, whenever no program
# of the prefix runs; a console kept waiting on a pipe holds them up between
# the tests, so each test only starts its own process.
# The device-notification cases need real windows, which wine draws on an X
# display: a virtual one of the run's own, so nothing shows on the desktop.
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4> "$build/xvfb.display" 2> /dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$build/xvfb.display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$build/xvfb.display")"
export WINEPREFIX="$build/wineprefix"
scripts/wine-run.sh "$build" wineboot.exe -i > /dev/null 2>&1 || true
keeper="$build/keeper.fifo"
rm -f "$keeper"
mkfifo "$keeper"
scripts/wine-run.sh "$build" cmd.exe < "$keeper" > /dev/null 2>&1 &
keeper_pid=$!
exec 3> "$keeper"
finish() {
  exec 3>&-
  rm -f "$keeper"
  # The console ends at the end of its input; should it not, it and the rest
  # of this prefix's programs are ended here, so the script never hangs.
  sleep 1
  kill "$keeper_pid" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap finish EXIT
# Discovery over wine's own HID devices first, while nothing else loads the
# prefix: under load its device services are at times slow to list them.
# Now and then a wine process fails to start at all (it loses its wine
# server and prints nothing); such a case runs again, up to three times in
# all, and the first failure stays in the log.
ctest_args=(--test-dir "$build" --output-on-failure --timeout 300 --repeat until-pass:3)
ctest "${ctest_args[@]}" -R '^hid\.WindowsHidDiscovery\.'
ctest "${ctest_args[@]}" -j2 -E '^hid\.WindowsHidDiscovery\.|^winehid\.'
# The programs through wine's HID stack over mocked hidraw nodes: each group
# boots a prefix of its own (build-windows/winehid), and its window case
# draws on the run's display.
ctest "${ctest_args[@]}" -j2 -L winehid

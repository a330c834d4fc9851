#!/usr/bin/env bash
# Sets up, builds and runs every test.
# The C++ files must be formatted (scripts/check_format.sh). Under CI (CI=true),
# or with --full, the whole suite runs a second time in an
# AddressSanitizer + UndefinedBehaviorSanitizer build, clang-tidy checks the
# product sources (scripts/tidy.sh), and each fuzz target
# runs briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
full=0
[ "${CI:-}" = "true" ] && full=1
[ "${1:-}" = "--full" ] && full=1

scripts/setup.sh
scripts/check_format.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 600 -j2

if [ "$full" = 1 ]; then
  echo "== sanitizer pass (address, undefined) =="
  BUILD_DIR=build-asan BUILD_TYPE=Debug KORVANE_QUIET=1 \
    CMAKE_EXTRA_ARGS="-DKORVANE_SANITIZE=ON -DKORVANE_BUILD_BENCH=OFF" scripts/setup.sh
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  ctest --test-dir build-asan --output-on-failure --timeout 900 -j2
  echo "== clang-tidy =="
  scripts/tidy.sh build
  echo "== short fuzz runs =="
  scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
fi

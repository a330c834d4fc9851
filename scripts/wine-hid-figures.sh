#!/usr/bin/env bash
# A sound download of PACKETS packets (820) through wine's HID stack, beside
# the same download on the emulated link under wine and on Linux and the
# pauses the sender must keep, with the CPU per packet of korvane-cli.exe,
# wineserver and the driver host that runs winebus:
#   scripts/wine-hid-figures.sh [PACKETS]
# Needs scripts/windows.sh (the Windows build and the harness) and, for the
# Linux line, scripts/test.sh (build/bench/bulk_measure) to have run.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-$PWD/build-windows}"
harness="$build/host/tests/umockdev/wine/korvane-wine-harness"
[ -x "$harness" ] || { echo "wine-hid-figures: run scripts/windows.sh first" >&2; exit 1; }
linux=()
[ -x build/bench/bulk_measure ] && linux=(--linux-bench "$PWD/build/bench/bulk_measure")
exec "$harness" --build "$build" figures "${1:-820}" "${linux[@]}"

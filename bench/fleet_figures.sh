#!/usr/bin/env bash
# Many hosts at once, measured: a sound download of PACKETS packets (1,800
# by default, about 23 s of the host's pauses) on one host alone and on
# several at once, each a worker process of korvane-cli:
#   bench/fleet_figures.sh [PACKETS]
# - 8 emulated hosts (--emulate, the hosts' time kept in each worker);
# - 4 hosts behind mocked hidraw nodes, through the hidapi backend;
# - 2 hosts through wine's HID stack, where scripts/windows.sh has run;
# with the CPU time and the largest memory of one worker.
# Needs scripts/test.sh (build/) to have run.
set -euo pipefail
cd "$(dirname "$0")/.."
packets="${1:-1800}"
cli="$PWD/build/cli/korvane-cli"
[ -x "$cli" ] || { echo "fleet_figures: run scripts/test.sh first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" KORVANE_STAGING_DIR="$work/staging"
unset KORVANE_RECORD
mkdir -p "$work/sounds" "$work/staging"
# One sound that fills the packets: 54 bytes each, 32 of them the entry's header.
python3 - "$work/sounds/fire.wav" "$packets" <<'PY'
import struct, sys
n = int(sys.argv[2]) * 54 - 32 - 44
data = bytes([0x80]) * n
head = b'RIFF' + struct.pack('<I', 36 + n) + b'WAVEfmt ' + struct.pack('<IHHIIHH', 16, 1, 1, 8000, 8000, 1, 8)
open(sys.argv[1], 'wb').write(head + b'data' + struct.pack('<I', n) + data)
PY

run() {  # label, then the arguments: prints "wall user sys maxrss-kB"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$cli" --quiet "$@" voice download custom \
    "$work/sounds" > "$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
  cat "$work/time"
}

echo "Sound download of $packets packets, korvane-cli on this machine ($(nproc) cores):"
read -r one_wall one_user one_sys one_rss < <(run --emulate rt221 --emulator-state "$work/one.json")
read -r all_wall all_user all_sys all_rss < <(run --emulate rt221,rt221,rt221,rt221,rt221,rt221,rt221,rt221 \
  --emulator-state "$work/eight.json" --device all)
awk -v a="$one_wall" -v b="$all_wall" 'BEGIN { printf "  emulated: one host alone %.2f s; 8 at once %.2f s, %.2f times\n", a, b, b / a }'
awk -v u="$one_user" -v s="$one_sys" -v m="$one_rss" -v U="$all_user" -v S="$all_sys" -v M="$all_rss" 'BEGIN {
  printf "  one host alone: %.2f s CPU, %d MB at most\n", u + s, m / 1024
  printf "  8 at once: %.2f s CPU in all (%.2f s a worker), the largest process %d MB\n", U + S, (U + S) / 8, M / 1024 }'

mock=build/tests/umockdev/umockdev_fleet_tests
if [ -x "$mock" ]; then
  "$mock" --figures "$packets"
else
  echo "  (no umockdev build: the mocked hosts are left out)"
fi

harness=build-windows/host/tests/umockdev/wine/korvane-wine-harness
if [ -x "$harness" ]; then
  "$harness" --build "$PWD/build-windows" fleet-figures "$packets"
else
  echo "  (no Windows build: the hosts under wine are left out; run scripts/windows.sh)"
fi

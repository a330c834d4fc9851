#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-30}"
if ! command -v clang++ >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq clang libclang-rt-dev >/dev/null
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKORVANE_FUZZ=ON -DKORVANE_BUILD_GUI=OFF -DKORVANE_BUILD_BENCH=OFF -DKORVANE_BUILD_TESTS=OFF >/dev/null
targets=$(sed -n 's/^[[:space:]]*korvane_fuzzer(\(fuzz_[a-z_]*\).*/\1/p' fuzz/CMakeLists.txt)
cmake --build build-fuzz --target $targets
# One target per core at a time; each prints its lines when it ends.
jobs_at_once=$(nproc 2>/dev/null || echo 2)
run_one() {
  local target=$1 name corpus seeds
  name=$(basename "$target"); name=${name#fuzz_}
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  # The files the tests keep of earlier versions seed the readers of users' files.
  case "$name" in profile|record) seeds="$seeds tests/data" ;; esac
  if "$target" -max_total_time="$SECONDS_EACH" -max_len=4096 -print_final_stats=1 \
       "$corpus" $seeds > "build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name for ${SECONDS_EACH}s"
  else
    echo "fuzz: $name FAILED"; tail -40 "build-fuzz/$name.log"; return 1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "build-fuzz/$name.log" | sed "s/^/  $name /"
}
status=0
pids=()
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  run_one "$target" > "$target.out" &
  pids+=("$!:$target")
  if [ "${#pids[@]}" -ge "$jobs_at_once" ]; then
    for p in "${pids[@]}"; do wait "${p%%:*}" || status=1; cat "${p#*:}.out"; done
    pids=()
  fi
done
for p in "${pids[@]}"; do wait "${p%%:*}" || status=1; cat "${p#*:}.out"; done
exit $status

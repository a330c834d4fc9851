#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy at the root) over every product source, with
# the compile commands of a configured build: scripts/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build/compile_commands.json" ] || { echo "tidy: configure $build first (scripts/setup.sh)"; exit 2; }
command -v clang-tidy >/dev/null || { echo "tidy: clang-tidy is not installed"; exit 2; }
# The product folders of layers.txt; tests, benchmarks and fuzzers are left out.
folders=$(awk '!/^#/ && NF {for (i = 2; i <= NF; i++) if ($i ~ /\//) {split($i, p, "/"); print p[1]}}' layers.txt | sort -u)
sources=$(for f in $folders; do ls "$f"/*.cpp 2>/dev/null; done | sort -u)
# Only what the build compiles (a platform's other file of a pair is not in it).
files=()
for s in $sources; do grep -q "\"file\": \"$PWD/$s\"" "$build/compile_commands.json" && files+=("$s"); done
echo "tidy: ${#files[@]} files"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' "${files[@]}" | xargs -P 2 -n 4 clang-tidy -p "$build" --quiet >"$log" 2>&1 || status=1
grep -v "warnings generated\|Suppressed\|Use -header-filter\|^$" "$log" || true
[ "$status" -eq 0 ] && echo "tidy: clean"
exit "$status"

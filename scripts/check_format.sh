#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format (the
# .clang-format at the root) makes of it; lists the files to reformat.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check_format: clang-format is not installed"; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'check_format: not formatted: %s\n' "${bad[@]}"
  echo "check_format: run clang-format -i on them"
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"

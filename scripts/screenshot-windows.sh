#!/usr/bin/env bash
# Renders the Windows window under wine, with Qt's windows platform on a
# virtual X display, in the states scripts/screenshot.sh shows on Linux:
#   scripts/screenshot-windows.sh [FOLDER] [rt220|rt221]
# It runs the packaged folder (build-windows/package/Korvane, made by
# scripts/windows.sh) when there is one, so Qt's translations and plugins come
# from beside the program as on an operator's machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-$PWD/build-windows}"
out="${1:-screenshots-windows}"
model="${2:-rt220}"
mkdir -p "$out"
out=$(cd "$out" && pwd)
exe="$build/package/Korvane/korvane.exe"
[ -f "$exe" ] || exe="$build/app/korvane.exe"
[ -f "$exe" ] || { echo "screenshot-windows: build first (scripts/windows.sh)" >&2; exit 1; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
xvfb-run -a -s "-screen 0 1280x800x24" \
  scripts/wine-run.sh "$build" "$exe" -platform windows --emulate "$model" \
  --screenshots "$(windows_path "$out")"
ls "$out"

#!/usr/bin/env bash
# Renders the real window, in each state an operator meets, to PNG files
# under a virtual X display: scripts/screenshot.sh [FOLDER] [rt220|rt221]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-screenshots}"
model="${2:-rt220}"
[ -x build/app/korvane ] || scripts/setup.sh
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" build/app/korvane --emulate "$model" --screenshots "$out"
ls "$out"

#!/usr/bin/env bash
# Sets up, builds and starts Korvane. Arguments go to the program,
# for example: scripts/run.sh --emulate rt221
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/app/korvane "$@"

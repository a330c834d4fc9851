#!/usr/bin/env bash
# Start-up to a visible window, and the idle CPU of the window with its 1 s
# connection poll, on a virtual X display: of the Linux build, or of the
# Windows build under wine (windows platform).
#   scripts/window-figures.sh linux|windows [SECONDS]
# The start-up is the time from launch until the main window, by its title,
# is on the display (xwininfo; created, whether or not painted yet); the CPU
# is the process's user+system time from /proc over SECONDS (30) once the
# window is up, with wineserver's beside it under wine.
# No host and no emulator: the poll keeps searching, once a second.
set -euo pipefail
cd "$(dirname "$0")/.."
system="${1:?linux or windows}"
seconds="${2:-30}"
if [ -z "${FIGURES_ON_XVFB:-}" ]; then
  exec env FIGURES_ON_XVFB=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
hz=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
now() { date +%s.%N; }

start=$(now)
if [ "$system" = linux ]; then
  build/app/korvane > /dev/null 2>&1 &
else
  build="$PWD/build-windows"
  export WINEPREFIX="$build/wineprefix"
  # wine's own start-up (its services) is counted once, before the program.
  scripts/wine-run.sh "$build" cmd.exe /c exit > /dev/null 2>&1 || true
  start=$(now)
  scripts/wine-run.sh "$build" "$build/app/korvane.exe" -platform windows \
    > /dev/null 2>&1 &
fi
pid=$!
until xwininfo -root -tree 2> /dev/null | grep -q '"VelarinV1.0"'; do
  sleep 0.02
  kill -0 "$pid" 2> /dev/null || { echo "window-figures: the program ended" >&2; exit 1; }
done
shown=$(now)
echo "$system: start-up to the titled window on the display: $(echo "$shown - $start" | bc) s"
sleep 2
server=$(pgrep -n -x wineserver64 || pgrep -n -x wineserver || true)
c0=$(cpu "$pid")
[ -n "$server" ] && [ "$system" = windows ] && s0=$(cpu "$server")
sleep "$seconds"
c1=$(cpu "$pid")
echo "$system: idle CPU over $seconds s: $(echo "scale=2; ($c1 - $c0) * 100 / $hz / $seconds" | bc) % of one core"
if [ -n "$server" ] && [ "$system" = windows ]; then
  s1=$(cpu "$server")
  echo "$system: wineserver meanwhile: $(echo "scale=2; ($s1 - $s0) * 100 / $hz / $seconds" | bc) % of one core"
fi
kill "$pid" 2> /dev/null || true
wait "$pid" 2> /dev/null || true

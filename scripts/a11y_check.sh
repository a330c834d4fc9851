#!/usr/bin/env bash
# Reads the window with a real accessibility client, as a screen reader would:
# starts the program on each emulated host model under a virtual X display,
# a private D-Bus session and its accessibility bus, and checks over AT-SPI
# that every button, check box, edit and list can be announced by name.
#
#   scripts/a11y_check.sh [path/to/korvane]      (default build/app/korvane)
#   scripts/a11y_check.sh --self-test            (the rules against known faults)
#
# Exit status: 0 every name is good; 1 a name is missing or wrong, or the
# program died; 2 usage; 3 the display, the accessibility bus or the program
# did not come up in time; 77 no accessibility client or bus on this machine
# (python3-pyatspi, at-spi2-core, dbus, xvfb: see scripts/setup.sh).
# A11Y_TIMEOUT (seconds, default 100) bounds the whole run.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
helper="$here/a11y_check.py"
models=(rt221 rt220)

skip() {
    echo "a11y_check: SKIP: $*"
    exit 77
}

# A Python with pyatspi: Debian's own first, since a python3 earlier on PATH
# (a virtual environment, pyenv) does not see Debian's modules.
find_python() {
    local p
    for p in /usr/bin/python3 "$(command -v python3 2>/dev/null)"; do
        if [ -n "$p" ] && [ -x "$p" ] && "$p" -c 'import pyatspi' >/dev/null 2>&1; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

find_bus_launcher() {
    local p
    for p in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher \
        "$(command -v at-spi-bus-launcher 2>/dev/null)"; do
        if [ -n "$p" ] && [ -x "$p" ]; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

if [ "${1:-}" = "--self-test" ]; then
    py="$(command -v python3 || true)"
    [ -x /usr/bin/python3 ] && py=/usr/bin/python3
    [ -n "$py" ] || skip "no python3"
    exec "$py" "$helper" --self-test
fi

if [ "${1:-}" = "--inner" ]; then
    # Inside the display and the session bus: bring up the accessibility bus,
    # then read the window once per model.
    prog="$2" py="$3" launcher="$4" work="$5" deadline="$6"
    : >"$work/display-up"
    "$launcher" --launch-immediately >>"$work/bus.log" 2>&1 &
    launcher_pid=$!
    trap 'kill "$launcher_pid" 2>/dev/null; wait "$launcher_pid" 2>/dev/null' EXIT
    # Asked without activating it, so no second launcher races this one.
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'; do
        if [ "$(date +%s)" -ge "$deadline" ] || ! kill -0 "$launcher_pid" 2>/dev/null; then
            echo "a11y_check: the accessibility bus did not come up"
            sed 's/^/    /' "$work/bus.log" | tail -n 20
            exit 3
        fi
        sleep 0.2
    done
    status=0
    for model in "${models[@]}"; do
        left=$((deadline - $(date +%s)))
        if [ "$left" -le 5 ]; then
            echo "a11y_check: $model: no time left to start the program"
            exit 3
        fi
        "$py" "$helper" --program "$prog" --model "$model" --timeout "$((left - 5))" \
            --workdir "$work" ${A11Y_VERBOSE:+--verbose}
        rc=$?
        # A wrong name outweighs a model that did not come up.
        if [ "$rc" -eq 1 ] || { [ "$rc" -ne 0 ] && [ "$status" -eq 0 ]; }; then status=$rc; fi
    done
    exit "$status"
fi

[ $# -le 1 ] || {
    echo "usage: $0 [path/to/korvane] | --self-test" >&2
    exit 2
}
prog="${1:-$here/../build/app/korvane}"
if [ ! -x "$prog" ] || [ -d "$prog" ]; then
    echo "a11y_check: $prog is not an executable program" >&2
    exit 2
fi
prog="$(cd "$(dirname "$prog")" && pwd)/$(basename "$prog")"

for tool in xvfb-run Xvfb xauth dbus-run-session dbus-daemon dbus-send timeout; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
py="$(find_python)" || skip "python3-pyatspi is not installed"
launcher="$(find_bus_launcher)" || skip "at-spi-bus-launcher (at-spi2-core) is not installed"

limit="${A11Y_TIMEOUT:-100}"
case "$limit" in '' | *[!0-9]*) echo "a11y_check: A11Y_TIMEOUT must be whole seconds" >&2; exit 2 ;; esac

# A private home for the run: the program's settings, staging files and
# current folder stay out of the user's own.
work="$(mktemp -d "${TMPDIR:-/tmp}/korvane-a11y.XXXXXX")" || exit 3
trap 'rm -rf "$work"' EXIT
mkdir -m 0700 "$work/run" "$work/config" "$work/cache"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

deadline=$(($(date +%s) + limit))
timeout -k 5 "$((limit + 5))" xvfb-run -a -s "-screen 0 1280x800x24" \
    dbus-run-session -- "$BASH" "$here/a11y_check.sh" --inner "$prog" "$py" "$launcher" "$work" "$deadline" \
    2>"$work/session.log"
rc=$?
if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "a11y_check: timed out after ${limit} s: the accessibility bus or the program hung"
    tail -n 20 "$work/session.log" | sed 's/^/    /'
    exit 3
fi
if [ ! -e "$work/display-up" ]; then
    echo "a11y_check: the virtual X display or the D-Bus session did not come up"
    tail -n 20 "$work/session.log" | sed 's/^/    /'
    exit 3
fi
if [ "$rc" -ne 0 ] && [ "$rc" -ne 1 ] && [ "$rc" -ne 3 ] && [ "$rc" -ne 77 ]; then
    echo "a11y_check: the check ended abnormally (status $rc)"
    tail -n 20 "$work/session.log" | sed 's/^/    /'
    exit 1
fi
[ "$rc" -eq 0 ] && echo "a11y_check: every control has a name"
exit "$rc"

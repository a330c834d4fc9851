#!/usr/bin/env bash
# Runs a program of a Windows build under wine: CTest's emulator for every
# Windows test, and a way to try the programs by hand:
#   scripts/wine-run.sh build-windows build-windows/cli/korvane-cli.exe --emulate rt221 frequency get
# The first argument is the build folder; wine's prefix lives inside it (or
# where KORVANE_WINEPREFIX says), and the DLLs come from the Qt unpacked there
# and from the cross compiler's runtime.
set -euo pipefail
build=$(cd "$1" && pwd)
shift
export WINEPREFIX="${KORVANE_WINEPREFIX:-$build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${KORVANE_WINEDEBUG:--all}"
# No Mono or Gecko installer prompt when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
qt="${QT_MINGW_PREFIX:-$build/qt6-mingw}"
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_dir=$(dirname "$(readlink -f "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$gcc_dir");$(windows_path "$pthread_dir")"
exec /usr/lib/wine/wine64 "$@"

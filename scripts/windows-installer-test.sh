#!/usr/bin/env bash
# Installs the Windows installer silently under wine into a scratch prefix and
# a chosen folder, runs the installed programs (on the installed DLLs alone),
# uninstalls silently and looks that nothing of it is left:
#   scripts/windows-installer-test.sh [build-windows]
# Exit 77 (skipped) when the installer has not been made
# (scripts/windows-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build-windows}" && pwd)
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup="$build/package/korvane-$version-setup.exe"
if [ ! -f "$setup" ]; then
  echo "installer test: no $setup (scripts/windows-package.sh makes it)"
  exit 77
fi

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
trap '$wineserver -k 2> /dev/null || true; rm -rf "$scratch"' EXIT
fail() {
  echo "installer test: $*" >&2
  exit 1
}

$wine wineboot.exe -i > /dev/null 2>&1 || true
$wineserver -w
drive="$WINEPREFIX/drive_c"
dir="$drive/Korvane Test"
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvane"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane'
# The operator's own file in the chosen folder outlives the uninstall.
mkdir -p "$dir"
echo keep > "$dir/notes.txt"

# /D= must come last and unquoted: cmd hands the line over as written.
cp "$setup" "$scratch/setup.exe"
$wine cmd.exe /c 'Z:'"${scratch//\//\\}"'\setup.exe /S /D=C:\Korvane Test' > /dev/null 2>&1 || true
$wineserver -w
[ -f "$dir/korvane.exe" ] || fail "korvane.exe was not installed in the chosen folder"
for f in korvane-cli.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll korvane.ico \
  libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll \
  platforms/qoffscreen.dll styles/qwindowsvistastyle.dll; do
  [ -f "$dir/$f" ] || fail "$f was not installed"
done
[ -f "$menu/Korvane.lnk" ] || fail "no Start-menu entry"
$wine reg.exe query "$key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' ||
  fail "no uninstall entry in the registry"

cli=$($wine 'C:\Korvane Test\korvane-cli.exe' --version 2>&1 | tr -d '\r')
[ "$cli" = "korvane-cli $version" ] || fail "installed korvane-cli.exe --version said: $cli"
gui=$($wine 'C:\Korvane Test\korvane.exe' --version 2>&1 | tr -d '\r')
[ "$gui" = "korvane $version" ] || fail "installed korvane.exe --version said: $gui"

$wine 'C:\Korvane Test\uninstall.exe' /S > /dev/null 2>&1 || true
# The uninstaller runs on from a copy of itself: wait for the prefix to go idle.
$wineserver -w
left=$(cd "$dir" && find . -mindepth 1 ! -name notes.txt)
[ -z "$left" ] || fail "left after uninstalling: $left"
[ -f "$dir/notes.txt" ] || fail "the uninstaller removed a file it had not installed"
[ ! -e "$menu" ] || fail "the Start-menu folder is left"
if $wine reg.exe query "$key" > /dev/null 2>&1; then fail "the uninstall entry is left"; fi
echo "installer test: installed, ran and uninstalled korvane $version"

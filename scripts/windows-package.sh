#!/usr/bin/env bash
# Stages korvane.exe, korvane-cli.exe and everything they load into
# <out>/Korvane, and makes of it the installer (NSIS,
# packaging/windows/korvane.nsi) and a portable .zip of the same files:
#   scripts/windows-package.sh [build-windows] [--out DIR] [--version X.Y.Z] [--fast]
#                              [--without FILE] [--standard-until-elevated]
# The build is a Windows one (scripts/windows.sh); makensis is Debian's nsis.
# <out> is <build>/package unless --out names another folder; the version is
# the project's unless --version names another. --fast makes an uncompressed
# installer and no .zip, --without leaves one staged file out, and
# --standard-until-elevated makes the installer that takes the standard
# user's way under wine (korvane.nsi): all for the installer test's second
# package.
# With KORVANE_SIGN_PKCS12 and KORVANE_SIGN_PASSWORD set, every staged program
# and DLL, the NSIS plugins the installer unpacks, the installer and its
# uninstaller are signed (scripts/windows-sign.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
build=$(cd "$build" && pwd)
qt="${QT_MINGW_PREFIX:-$build/qt6-mingw}"
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out="$build/package"
fast=0
without=""
test_build=()
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --fast) fast=1; shift ;;
    --without) without=$2; shift 2 ;;
    --standard-until-elevated) test_build=(-DSTANDARD_UNTIL_ELEVATED); shift ;;
    *) echo "windows-package: unknown option $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage="$out/Korvane"
cross=x86_64-w64-mingw32

rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
cp "$build/app/korvane.exe" "$build/cli/korvane-cli.exe" "$stage/"
$cross-strip "$stage/korvane.exe" "$stage/korvane-cli.exe"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$stage/"
# Qt looks for its plugins in folders beside the program.
cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# The compiler's runtime, as wine-run.sh finds it.
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(readlink -f "$($cross-g++-posix -print-file-name=$dll)")" "$stage/$dll"
done
# Qt's own dialogs (the folder chooser) in the operator's language: Debian's
# translations serve Windows as they are.
qm=(/usr/share/qt6/translations/qtbase_*.qm)
if [ -e "${qm[0]}" ]; then
  cp "${qm[@]}" "$stage/translations/"
else
  echo "windows-package: no /usr/share/qt6/translations/qtbase_*.qm (qt6-translations-l10n):" \
    "Qt's dialogs stay in English" >&2
  rmdir "$stage/translations"
fi
cp packaging/windows/korvane.ico "$stage/"
if [ -n "$without" ]; then rm "$stage/$without"; fi

# Each staged file that is a program or a DLL (a PE file: "MZ" first).
pe_files() {
  find "$1" -type f | sort | while IFS= read -r f; do
    [ "$(head -c 2 "$f" | od -An -tx1 | tr -d ' \n')" != 4d5a ] || echo "$f"
  done
}

sign=()
if [ -n "${KORVANE_SIGN_PKCS12:-}" ]; then
  # Smart App Control checks each file the loader maps, and its block has no
  # "run anyway": Qt's DLLs, the plugins and the compiler's runtime too.
  mapfile -t pe < <(pe_files "$stage")
  scripts/windows-sign.sh "${pe[@]}"
  # The installer unpacks and loads NSIS's plugins: signed copies of them.
  plugins="$out/nsis-plugins"
  rm -rf "$plugins"
  mkdir -p "$plugins"
  cp /usr/share/nsis/Plugins/amd64-unicode/*.dll "$plugins/"
  scripts/windows-sign.sh "$plugins"/*.dll
  sign=(-DSIGN="$root/scripts/windows-sign.sh" -DPLUGINS="$plugins")
  echo "windows-package: signed ${#pe[@]} staged files and the NSIS plugins"
else
  echo "windows-package: no certificate (KORVANE_SIGN_PKCS12, KORVANE_SIGN_PASSWORD):" \
    "the programs, their DLLs, the installer and the uninstaller are unsigned"
fi

# What the uninstaller removes: each file, then each folder, deepest first,
# each as the argument of the macro the script names.
files="$out/files.nsh"
(
  cd "$stage"
  echo '!macro KORVANE_FILES DO'
  find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  !insertmacro ${DO} "&"|'
  echo '!macroend'
  echo '!macro KORVANE_FOLDERS DO'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  !insertmacro ${DO} "&"|'
  echo '!macroend'
) > "$files"
size_kb=$(du -sk "$stage" | cut -f1)

setup="$out/korvane-$version-setup.exe"
compression=()
[ "$fast" = 0 ] || compression=(-DFAST)
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" -DSIZE_KB="$size_kb" \
  -DOUTFILE="$setup" "${sign[@]}" "${compression[@]}" "${test_build[@]}" packaging/windows/korvane.nsi
echo "windows-package: $setup"
[ "$fast" = 0 ] || exit 0
zip="$out/korvane-$version-windows.zip"
rm -f "$zip"
(cd "$out" && zip -qr -X "$zip" Korvane)
echo "windows-package: $zip"

#!/usr/bin/env bash
# Stages korvane.exe, korvane-cli.exe and everything they load into
# <build>/package/Korvane, and makes of it the installer (NSIS,
# packaging/windows/korvane.nsi) and a portable .zip of the same files:
#   scripts/windows-package.sh [build-windows]
# The build is a Windows one (scripts/windows.sh); makensis is Debian's nsis.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(cd "${1:-$root/build-windows}" && pwd)
qt="${QT_MINGW_PREFIX:-$build/qt6-mingw}"
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out="$build/package"
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

# What the uninstaller removes: each file, then each folder, deepest first.
files="$out/files.nsh"
(
  cd "$stage"
  find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
) > "$files"

setup="$out/korvane-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" -DOUTFILE="$setup" \
  packaging/windows/korvane.nsi
zip="$out/korvane-$version-windows.zip"
rm -f "$zip"
(cd "$out" && zip -qr -X "$zip" Korvane)
echo "windows-package: $setup"
echo "windows-package: $zip"

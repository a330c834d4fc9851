#!/usr/bin/env bash
# The resources Explorer and Windows read from korvane.exe and korvane-cli.exe:
# the icon group, the version resource (the project's version) and the
# manifest (asInvoker, Windows 10 and 11, long paths, per-monitor DPI), and
# the subsystem in the header: korvane.exe a windowed program, the others
# console programs:
#   scripts/windows-resources-test.sh VERSION PROGRAM.exe...
set -euo pipefail
version=$1
shift
IFS=. read -r major minor patch <<< "$version"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
for exe in "$@"; do
  name=$(basename "$exe")
  listing=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
  # The manifest as stored (windres shows it as numbers only).
  x86_64-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" "$scratch/rsrc"
  for want in '/* RT_GROUP_ICON */' '1 VERSIONINFO' '1 24 /* RT_MANIFEST */' \
    " FILEVERSION $major, $minor, $patch, 0" " PRODUCTVERSION $major, $minor, $patch, 0" \
    "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    'VALUE "ProductName", "Korvane"' "VALUE \"OriginalFilename\", \"$name\"" \
    'VALUE "FileDescription", "Korvane lamp host configuration'; do
    grep -qF -- "$want" <<< "$listing" || { echo "resources: $name lacks $want" >&2; failed=1; }
  done
  subsystem='Windows CUI'
  [ "$name" = korvane.exe ] && subsystem='Windows GUI'
  header=$(x86_64-w64-mingw32-objdump -p "$exe")
  grep -q "^Subsystem.*($subsystem)" <<< "$header" ||
    { echo "resources: $name is not linked for the $subsystem subsystem" >&2; failed=1; }
  for want in 'level="asInvoker"' 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' \
    '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' \
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2</dpiAwareness>'; do
    grep -qF -- "$want" "$scratch/rsrc" || { echo "resources: $name's manifest lacks $want" >&2; failed=1; }
  done
done
[ $failed = 0 ] && echo "resources: $* carry the icon group, version $version and the manifest"
exit $failed

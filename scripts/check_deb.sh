#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks what
# it holds: the programs, the desktop entry, the icon, the udev rule at the
# place udev reads, and runtime dependencies on Qt 6 Widgets and hidapi.
#
#   scripts/check_deb.sh BUILD_DIR VERSION [PROGRAM...]
#
# PROGRAM names each program the package must carry in usr/bin (the ones the
# tree builds). Exits 77 (skipped) where cpack or the dpkg tools are missing.
set -euo pipefail

build=${1:?build directory}
version=${2:?version}
shift 2
programs=()
for p in "$@"; do [ -n "$p" ] && programs+=("$p"); done  # CMake passes "" for a target not built

for tool in cpack dpkg-deb dpkg-shlibdeps tar; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "check_deb: $tool not found, skipping"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    fail=1
  fi
}

# The package goes to the scratch folder, not into the build tree.
(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  echo "FAILED: cpack -G DEB"
  exit 1
}

arch=$(dpkg --print-architecture)
deb="$work/out/korvane_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
  cat "$work/cpack.log"
  echo "FAILED: no package $deb"
  ls -l "$work/out"
  exit 1
fi
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

dpkg-deb -c "$deb" | awk '{print $1, $6}' >"$work/contents"
dpkg-deb -f "$deb" >"$work/control"
cat "$work/contents" "$work/control"

has_file() {  # has_file PATH MODE-PREFIX
  grep -qx -- "$2[^ ]* ./$1" "$work/contents"
}
field() { dpkg-deb -f "$deb" "$1"; }

for p in "${programs[@]}"; do
  check "usr/bin/$p is an executable" has_file "usr/bin/$p" "-rwxr-xr-x"
done
check "desktop entry" has_file usr/share/applications/korvane.desktop "-rw-r--r--"
check "icon" has_file usr/share/icons/hicolor/scalable/apps/korvane.svg "-rw-r--r--"
check "udev rule" has_file usr/lib/udev/rules.d/70-korvane.rules "-rw-r--r--"
outside_usr() { ! awk '{print $2}' "$work/contents" | grep -Ev '^\./(usr(/.*)?)?$' | grep -q .; }
check "nothing outside /usr" outside_usr

check "Package is korvane" test "$(field Package)" = korvane
check "Version is $version" test "$(field Version)" = "$version"
check "Architecture is $arch" test "$(field Architecture)" = "$arch"
depends=$(field Depends)
check "Depends on Qt 6 Widgets" grep -Eq '(^|, )libqt6widgets6( |,|$)' <<<"$depends"
check "Depends on hidapi" grep -Eq '(^|, )libhidapi-hidraw0( |,|$)' <<<"$depends"
check "Depends on a CJK font" grep -q 'fonts-wqy-microhei' <<<"$depends"

# What the files say, from the package itself.
mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
rule="$work/root/usr/lib/udev/rules.d/70-korvane.rules"
for product in 1234 7890; do
  check "udev rule gives the seat hidraw access to 0483:$product" grep -Eq \
    "SUBSYSTEM==\"hidraw\".*ATTRS\{idVendor\}==\"0483\".*ATTRS\{idProduct\}==\"$product\".*TAG\+=\"uaccess\"" \
    "$rule"
done
desktop="$work/root/usr/share/applications/korvane.desktop"
check "desktop entry starts korvane" grep -qx 'Exec=korvane' "$desktop"
check "desktop entry names the icon" grep -qx 'Icon=korvane' "$desktop"

# The packaged programs start (the libraries are those of this machine).
for p in "${programs[@]}"; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
    "$work/root/usr/bin/$p" --version 2>&1) || true
  check "$p --version prints $version" grep -q "$version" <<<"$out"
done

exit $fail

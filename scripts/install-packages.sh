#!/usr/bin/env bash
# Installs the named Debian packages that are not installed yet (as root, or
# with sudo at hand): scripts/install-packages.sh WHO PACKAGE...
# WHO prefixes the one line that says what is being installed.
set -euo pipefail
who=$1
shift
missing=()
for p in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "$who: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

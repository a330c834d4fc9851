#!/usr/bin/env bash
# Signs Windows programs and DLLs in place (Authenticode, SHA-256) with
# osslsigncode and the PKCS#12 certificate the environment names:
#   KORVANE_SIGN_PKCS12=cert.p12 KORVANE_SIGN_PASSWORD=... scripts/windows-sign.sh FILE...
# KORVANE_SIGN_TIMESTAMP, when set, is the URL of an RFC 3161 time-stamping
# service: a time-stamped signature stays valid after the certificate expires.
# scripts/windows-package.sh calls it for every staged program and DLL and
# for the NSIS plugins, and makensis for the installer and its uninstaller.
# The same options serve osslsigncode 2.5 (Debian 12) and 2.9 (its backports).
set -euo pipefail
if [ -z "${KORVANE_SIGN_PKCS12:-}" ] || [ ! -f "$KORVANE_SIGN_PKCS12" ]; then
  echo "windows-sign: KORVANE_SIGN_PKCS12 names no certificate file" >&2
  exit 1
fi
for file in "$@"; do
  signed="$file.signed"
  args=(sign -pkcs12 "$KORVANE_SIGN_PKCS12" -readpass /dev/stdin -h sha256 -n Korvane
    -in "$file" -out "$signed")
  if [ -n "${KORVANE_SIGN_TIMESTAMP:-}" ]; then args+=(-ts "$KORVANE_SIGN_TIMESTAMP"); fi
  rm -f "$signed"
  # The password goes through a pipe, never onto a command line others can read.
  if ! log=$(printf '%s' "${KORVANE_SIGN_PASSWORD:-}" | osslsigncode "${args[@]}" 2>&1); then
    echo "windows-sign: osslsigncode could not sign $file:" >&2
    echo "$log" >&2
    rm -f "$signed"
    exit 1
  fi
  mv "$signed" "$file"
done

#!/usr/bin/env bash
# The Windows installer under wine, silently, in a scratch prefix of its own:
# - for the current user: the files only under the user's folders, the
#   uninstall entry under HKCU only, the programs run from the installed
#   folder alone (the window's screenshots prove Qt's plugins load there),
#   and the portable .zip holds the same files;
# - an upgrade with a second package (a higher version, one file fewer,
#   signed with a certificate made here and now: every program and DLL of
#   the package, of the unpacked installer and of the install verified),
#   then the older package over it, refused;
# - a running korvane-cli.exe (a download), and a stand-in for a program of
#   another session or of another user's elevated copy, make the installer
#   and the uninstaller fail and leave everything in place; after it, the
#   registered quiet uninstall removes what was installed and nothing of the
#   operator's;
# - for all users: a folder outside Program Files refused, then an install
#   under Program Files and HKLM, upgraded in that mode by a plain /S, and
#   uninstalled by the registered quiet uninstall, as Settings starts it;
#   installed again and uninstalled by a plain uninstall.exe /S. The second
#   package takes a standard user's way here (windows-package.sh
#   --standard-until-elevated): each of its runs without /Elevated starts an
#   elevated copy, with the "runas" verb that wine's trace shows.
#   scripts/windows-installer-test.sh [build-windows]
# Exit 77 (skipped) when the installer has not been made
# (scripts/windows-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build-windows}" && pwd)
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup="$build/package/korvane-$version-setup.exe"
zip="$build/package/korvane-$version-windows.zip"
if [ ! -f "$setup" ]; then
  echo "installer test: no $setup (scripts/windows-package.sh makes it)"
  exit 77
fi
holder="$build/tests/common/korvane-mark-holder.exe"
[ -f "$holder" ] || { echo "installer test: no $holder (the tests' build makes it)" >&2; exit 1; }
for tool in osslsigncode openssl makensis 7zz; do
  command -v $tool > /dev/null || { echo "installer test: no $tool (scripts/windows.sh installs it)" >&2; exit 1; }
done
# The window needs an X display for wine to draw on.
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build"; fi

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
cli_pid=""
holder_pid=""
locked=""
finish() {
  [ -z "$cli_pid" ] || kill "$cli_pid" 2> /dev/null || true
  [ -z "$holder_pid" ] || kill "$holder_pid" 2> /dev/null || true
  [ -z "$locked" ] || chattr -i "$locked" 2> /dev/null || true
  $wineserver -k 2> /dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT
fail() {
  echo "installer test: $*" >&2
  if [ -s "$scratch/run.log" ]; then
    echo "installer test: the last installer or uninstaller run said:" >&2
    cat "$scratch/run.log" >&2
  fi
  exit 1
}
started=$SECONDS
say() { echo "installer test: [$((SECONDS - started)) s] $*"; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The second package: a higher version, without the offscreen platform
# plugin, uncompressed (made in seconds), signed with a throwaway
# certificate, and taking a standard user's way.
IFS=. read -r major minor patch <<< "$version"
newer="$major.$minor.$((patch + 1))"
cert="$scratch/cert"
mkdir "$cert"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Korvane test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$cert/key.pem" -out "$cert/cert.pem" 2> /dev/null
openssl pkcs12 -export -inkey "$cert/key.pem" -in "$cert/cert.pem" -out "$cert/cert.p12" \
  -passout pass:"throwaway pass"
KORVANE_SIGN_PKCS12="$cert/cert.p12" KORVANE_SIGN_PASSWORD="throwaway pass" \
  scripts/windows-package.sh "$build" --out "$scratch/newer" --version "$newer" --fast \
  --without platforms/qoffscreen.dll --standard-until-elevated > "$scratch/package.log" 2>&1 ||
  { cat "$scratch/package.log"; fail "the second package could not be made"; }
newer_setup="$scratch/newer/korvane-$newer-setup.exe"
verify() {
  osslsigncode verify -CAfile "$cert/cert.pem" -in "$1" > "$scratch/verify.log" 2>&1 ||
    { cat "$scratch/verify.log"; fail "the signature of $1 does not verify"; }
}
# Verifies every program and DLL (PE file: "MZ" first) under a folder, and
# sets verified to their names, one a line.
verify_all() {
  verified=$(
    cd "$1"
    find . -type f | sed 's|^\./||' | sort | while IFS= read -r f; do
      [ "$(head -c 2 "$f" | od -An -tx1 | tr -d ' \n')" != 4d5a ] || echo "$f"
    done
  )
  [ -n "$verified" ] || fail "no program or DLL under $1"
  while IFS= read -r f; do verify "$1/$f"; done <<< "$verified"
}
say "made the signed $newer package"

$wine wineboot.exe -i > /dev/null 2>&1 || true
$wineserver -w
# One server for the whole run: a program then starts in a fraction of a second.
$wineserver -p
# wine's trace of the shell's executions, for a run whose elevated copy is checked.
traced=(env WINEDEBUG=trace+exec)
# The parameters of the elevated copy that a traced run in $1 started with
# the "runas" verb, as the command line spells them.
elevated_with() {
  grep -a 'trace:exec:SHELL_execute mask=.* verb=L"runas"' "$1" |
    sed -n 's/.* parm=L"\(.*\)" dir=.*/\1/p' | sed 's/\\\\/\\/g'
}

drive="$WINEPREFIX/drive_c"
user=$(id -un)
home_win="C:\\users\\$user"
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane'
entry() { $wine reg.exe query "$1\\$key" 2> /dev/null | tr -d '\r'; }
value() { sed -n "s/^    $1    REG_[A-Z]*    //p"; }
absent() { if $wine reg.exe query "$1" > /dev/null 2>&1; then fail "$2"; fi; }
installed_files() { (cd "$1" && find . -type f | sed 's|^\./||' | sort); }
# A silent uninstall hands over to a copy of itself and returns at once:
# the entry goes last, so its going marks the end.
await_no_entry() {
  for _ in $(seq 150); do
    $wine reg.exe query "$1\\$key" > /dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "the $1 uninstall entry is still there after 30 s"
}
# Runs a silent installer or uninstaller and sets status; its output is kept
# for a failure. A silent NSIS run never ends with 1 (a cancel): a 1 means
# that wine lost its server as the program started, which happens now and
# then under load, so such a run goes once more.
run_nsis() {
  status=0
  "$@" > "$scratch/run.log" 2>&1 || status=$?
  if [ $status = 1 ]; then
    say "status 1, no NSIS status when silent: $* once more"
    status=0
    "$@" > "$scratch/run.log" 2>&1 || status=$?
  fi
}
# Runs an uninstall command as registered, traced into $scratch/run.log.
run_quiet_uninstall() {
  local quiet=$1 exe args
  exe=$(sed 's/^"\([^"]*\)".*/\1/' <<< "$quiet")
  args=$(sed 's/^"[^"]*" *//' <<< "$quiet")
  # shellcheck disable=SC2086 # the options as registered, one word each
  "${traced[@]}" $wine "$exe" $args > "$scratch/run.log" 2>&1 || true
}
# A stand-in for a korvane of another session: holds the mutex NAME (made as
# the programs make it, or with the access list SDDL) until released.
hold_mark() {
  touch "$scratch/hold"
  $wine "$holder" "$(windows_path "$scratch/hold")" "$@" > "$scratch/holder.out" 2>&1 &
  holder_pid=$!
  for _ in $(seq 150); do
    grep -q held "$scratch/holder.out" 2> /dev/null && return 0
    kill -0 $holder_pid 2> /dev/null || break
    sleep 0.2
  done
  fail "the stand-in could not hold $1: $(cat "$scratch/holder.out")"
}
release_mark() {
  rm "$scratch/hold"
  wait $holder_pid || fail "the stand-in holding the mark ended with status $?"
  holder_pid=""
}

# --- For the current user, the default.
find "$drive" | sort > "$scratch/before.txt"
run_nsis $wine "$setup" /S
[ $status = 0 ] || fail "the per-user install ended with status $status"
dir="$drive/users/$user/AppData/Local/Programs/Korvane"
dir_win="$home_win\\AppData\\Local\\Programs\\Korvane"
menu="$drive/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korvane"
[ -f "$dir/korvane.exe" ] || fail "korvane.exe is not in the user's programs folder"
find "$drive" | sort > "$scratch/after.txt"
elsewhere=$(comm -13 "$scratch/before.txt" "$scratch/after.txt" | grep -v "^$drive/users/$user/" || true)
[ -z "$elsewhere" ] || fail "the per-user install wrote outside the user's folders: $elsewhere"
[ -f "$menu/Korvane.lnk" ] || fail "no Start-menu entry for the user"
user_entry=$(entry HKCU)
[ -n "$user_entry" ] || fail "no uninstall entry under HKCU"
for v in "DisplayName:Korvane" "DisplayVersion:$version" "Publisher:Korvane" \
  "DisplayIcon:$dir_win\\korvane.ico" "InstallLocation:$dir_win" \
  "UninstallString:\"$dir_win\\uninstall.exe\" /CurrentUser" \
  "QuietUninstallString:\"$dir_win\\uninstall.exe\" /CurrentUser /S" \
  "NoModify:0x1" "NoRepair:0x1"; do
  [ "$(value "${v%%:*}" <<< "$user_entry")" = "${v#*:}" ] ||
    fail "the HKCU entry's ${v%%:*} is '$(value "${v%%:*}" <<< "$user_entry")', not '${v#*:}'"
done
size=$(value EstimatedSize <<< "$user_entry")
[ $((size)) -gt 1000 ] || fail "EstimatedSize is $size"
absent "HKLM\\$key" "the per-user install wrote an HKLM uninstall entry"
absent 'HKLM\Software\Korvane' "the per-user install wrote HKLM\\Software\\Korvane"
absent 'HKCU\Software\Korvane' "the per-user install wrote HKCU\\Software\\Korvane"
# The portable .zip: the same files (the uninstaller aside), made from the same stage.
zipped=$(zip -sf "$zip" | sed -n 's|^  Korvane/\(.*[^/]\)$|\1|p' | sort)
[ "$zipped" = "$(installed_files "$dir" | grep -vx uninstall.exe)" ] ||
  fail "the .zip and the installer hold different files"
say "installed for the current user"

# The installed programs on their own DLLs and plugins (no WINEPATH).
cli=$($wine "$dir_win\\korvane-cli.exe" --version 2>&1 | tr -d '\r')
[ "$cli" = "korvane-cli $version" ] || fail "installed korvane-cli.exe --version said: $cli"
gui=$($wine "$dir_win\\korvane.exe" --version 2>&1 | tr -d '\r')
[ "$gui" = "korvane $version" ] || fail "installed korvane.exe --version said: $gui"
mkdir "$drive/shots"
$wine "$dir_win\\korvane.exe" --emulate rt220 --screenshots 'C:\shots' > "$scratch/shots.log" 2>&1 ||
  { cat "$scratch/shots.log"; fail "the installed korvane.exe could not make its screenshots"; }
[ "$(head -c 4 "$drive/shots/main-rt220.png" 2> /dev/null | tail -c 3)" = PNG ] ||
  fail "the installed korvane.exe drew no main-rt220.png: $(ls "$drive/shots")"
say "ran the installed programs; $(ls "$drive/shots" | wc -l) screenshots"

# --- Upgrade: the newer package over the older, in place.
echo keep > "$dir/notes.txt"
run_nsis $wine "$newer_setup" /S
[ $status = 0 ] || fail "the upgrade ended with status $status"
[ "$(entry HKCU | value DisplayVersion)" = "$newer" ] || fail "the upgrade did not register $newer"
[ ! -e "$dir/platforms/qoffscreen.dll" ] || fail "the file the newer version lacks is left"
[ -f "$dir/platforms/qwindows.dll" ] || fail "the upgrade lost platforms/qwindows.dll"
[ -f "$dir/notes.txt" ] || fail "the upgrade removed the operator's own file"
# Signed: the installer, every program and DLL it installed (the
# uninstaller too), staged, or holds unpacked (NSIS's plugins too).
verify "$newer_setup"
verify_all "$dir"
grep -qx uninstall.exe <<< "$verified" || fail "the installed uninstall.exe was not verified"
installed_pe=$verified
verify_all "$scratch/newer/Korvane"
[ "$verified" = "$(grep -vx uninstall.exe <<< "$installed_pe")" ] ||
  fail "the staged programs and DLLs are not those installed: $verified"
7zz x -o"$scratch/unpacked" "$newer_setup" > "$scratch/unpack.log" 2>&1 ||
  { cat "$scratch/unpack.log"; fail "7zz could not unpack the installer"; }
verify_all "$scratch/unpacked"
# shellcheck disable=SC2016 # NSIS's folder, named as the unpacked installer names it
for f in '$PLUGINSDIR/System.dll' '$PLUGINSDIR/nsDialogs.dll' '$PLUGINSDIR/UserInfo.dll' uninstall.exe; do
  grep -qxF "$f" <<< "$verified" || fail "$f was not among the installer's signed files: $verified"
done
# The check is real: a changed byte breaks the signature.
cp "$newer_setup" "$scratch/changed.exe"
printf '\x5a' | dd of="$scratch/changed.exe" bs=1 seek=4096 conv=notrunc 2> /dev/null
if osslsigncode verify -CAfile "$cert/cert.pem" -in "$scratch/changed.exe" > /dev/null 2>&1; then
  fail "a changed installer still verifies"
fi
say "upgraded to $newer; $(wc -l <<< "$verified") signed files of the unpacked installer verified"

# --- Downgrade: refused, nothing changed.
run_nsis $wine "$setup" /S
[ $status = 4 ] || fail "the older version over the newer ended with status $status, not 4"
[ "$(entry HKCU | value DisplayVersion)" = "$newer" ] || fail "the refused downgrade changed the entry"
[ ! -e "$dir/platforms/qoffscreen.dll" ] || fail "the refused downgrade installed files"
say "downgrade refused"

# --- A running program: a download of some seconds (any bytes do for a sound).
mkdir "$drive/sounds"
head -c 40000 /dev/urandom > "$drive/sounds/alarm.wav"
installed_files "$dir" > "$scratch/in-place.txt"
$wine "$dir_win\\korvane-cli.exe" --emulate rt221 voice download custom 'C:\sounds' > "$scratch/cli.log" 2>&1 &
cli_pid=$!
# The staging image appears once the transfer has begun: the program runs.
staging="$drive/users/$user/AppData/Local/Korvane/Temp.txt"
for _ in $(seq 300); do
  [ -e "$staging" ] && break
  kill -0 $cli_pid 2> /dev/null || { cat "$scratch/cli.log"; fail "the download ended before it began"; }
  sleep 0.1
done
[ -e "$staging" ] || fail "the download did not begin within 30 s"
run_nsis $wine "$newer_setup" /S
[ $status = 5 ] || fail "the installer ended with status $status while korvane-cli ran, not 5"
# Run from a copy in place (_?=), as an installer does, the uninstaller's own
# status comes back.
mkdir "$drive/uninstaller-copy"
cp "$dir/uninstall.exe" "$drive/uninstaller-copy/"
run_nsis $wine 'C:\uninstaller-copy\uninstall.exe' /S "_?=$dir_win"
[ $status = 5 ] || fail "the uninstaller ended with status $status while korvane-cli ran, not 5"
kill -0 $cli_pid 2> /dev/null || fail "the download ended before the checks: make it longer"
status=0
wait $cli_pid || status=$?
cli_pid=""
[ $status = 0 ] || { cat "$scratch/cli.log"; fail "the download ended with status $status"; }
[ "$(installed_files "$dir")" = "$(cat "$scratch/in-place.txt")" ] ||
  fail "files changed while the program ran"
[ "$(entry HKCU | value DisplayVersion)" = "$newer" ] || fail "the entry changed while the program ran"
say "installer and uninstaller refused while korvane-cli ran"

# --- A program that only the mark for every session shows (another user's,
# or a scheduled task's in session 0), or a mark this user may not open (as
# an earlier version's made by another user's elevated copy): refused too.
for mark in 'Global\KorvaneRunning' 'Global\KorvaneRunning|D:(A;;GA;;;SY)' 'Local\KorvaneRunning|D:(A;;GA;;;SY)'; do
  if [ "${mark#*|}" = "$mark" ]; then hold_mark "$mark"; else hold_mark "${mark%%|*}" "${mark#*|}"; fi
  run_nsis $wine "$newer_setup" /S
  [ $status = 5 ] || fail "the installer ended with status $status with $mark held, not 5"
  run_nsis $wine 'C:\uninstaller-copy\uninstall.exe' /S "_?=$dir_win"
  [ $status = 5 ] || fail "the uninstaller ended with status $status with $mark held, not 5"
  release_mark
done
[ "$(installed_files "$dir")" = "$(cat "$scratch/in-place.txt")" ] ||
  fail "files changed while another session's program ran"
[ "$(entry HKCU | value DisplayVersion)" = "$newer" ] || fail "the entry changed while another session's program ran"
say "installer and uninstaller refused while another session's program ran"

# --- A file that cannot be removed keeps the entry and the uninstaller, so
# that the uninstall can run again (where the file system lets root make a
# file immutable).
locked="$dir/Qt6Core.dll"
if chattr +i "$locked" 2> /dev/null; then
  run_nsis $wine 'C:\uninstaller-copy\uninstall.exe' /S "_?=$dir_win"
  chattr -i "$locked"
  [ $status = 6 ] || fail "the uninstaller ended with status $status with Qt6Core.dll locked, not 6"
  [ "$(entry HKCU | value DisplayVersion)" = "$newer" ] || fail "the entry went while Qt6Core.dll stayed"
  [ -f "$dir/uninstall.exe" ] || fail "the uninstaller went while Qt6Core.dll stayed"
  say "a file left: the entry and the uninstaller stayed"
else
  say "no immutable files here (chattr): the case of a file left is not run"
fi
locked=""

# --- The registered quiet uninstall.
run_quiet_uninstall "$(entry HKCU | value QuietUninstallString)"
await_no_entry HKCU
[ "$(installed_files "$dir")" = notes.txt ] || fail "left after uninstalling: $(installed_files "$dir")"
[ ! -e "$menu" ] || fail "the Start-menu folder is left"
say "uninstalled for the current user"

# --- For all users: Program Files only.
pf="$drive/Program Files/Korvane Test"
pf_win='C:\Program Files\Korvane Test'
all_menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvane"
# /D= must come last and unquoted: cmd hands the line over as written.
setup_win=$(windows_path "$setup")
run_nsis $wine cmd.exe /c "$setup_win /AllUsers /S /D=C:\\Korvane Test"
[ $status = 3 ] || fail "/AllUsers into C:\\Korvane Test ended with status $status, not 3"
[ ! -e "$drive/Korvane Test" ] || fail "the refused folder was made"
absent "HKLM\\$key" "the refused all-users install wrote an uninstall entry"
run_nsis $wine cmd.exe /c "$setup_win /AllUsers /S /D=$pf_win"
[ $status = 0 ] || fail "the all-users install ended with status $status"
[ -f "$pf/korvane.exe" ] || fail "korvane.exe is not in $pf_win"
[ -f "$all_menu/Korvane.lnk" ] || fail "no Start-menu entry for all users"
[ "$(entry HKLM | value InstallLocation)" = "$pf_win" ] || fail "no HKLM entry for $pf_win"
absent "HKCU\\$key" "the all-users install wrote an HKCU uninstall entry"
# Registered under HKLM, it is upgraded for all users without being told,
# through the second package's elevated copy.
run_nsis "${traced[@]}" $wine "$newer_setup" /S
[ $status = 0 ] || fail "the all-users upgrade ended with status $status"
[ "$(elevated_with "$scratch/run.log")" = "/Elevated /AllUsers /S" ] ||
  fail "the upgrade's elevated copy started with '$(elevated_with "$scratch/run.log")'"
[ "$(entry HKLM | value DisplayVersion)" = "$newer" ] || fail "the HKLM entry was not upgraded"
[ ! -e "$pf/platforms/qoffscreen.dll" ] || fail "the all-users upgrade left the file the newer version lacks"
absent "HKCU\\$key" "the all-users upgrade wrote an HKCU uninstall entry"
# The registered uninstall, as Settings starts it: NSIS runs a copy from
# %TEMP%, whose elevated copy must still be told which folder to clear.
run_quiet_uninstall "$(entry HKLM | value QuietUninstallString)"
await_no_entry HKLM
[ "$(elevated_with "$scratch/run.log")" = "/Elevated /AllUsers /S _?=$pf_win" ] ||
  fail "the uninstaller's elevated copy started with '$(elevated_with "$scratch/run.log")'"
[ ! -e "$pf" ] || fail "left after the all-users uninstall: $(installed_files "$pf")"
[ ! -e "$all_menu" ] || fail "the all-users Start-menu folder is left"
say "installed, upgraded and uninstalled for all users, each elevated copy through runas"

# uninstall.exe started in the folder with no mode: NSIS's _?= ends in a
# backslash, and the folder still matches the HKLM entry.
newer_setup_win=$(windows_path "$newer_setup")
run_nsis "${traced[@]}" $wine cmd.exe /c "$newer_setup_win /AllUsers /S /D=$pf_win"
[ $status = 0 ] || fail "the second all-users install ended with status $status"
[ "$(elevated_with "$scratch/run.log")" = "/Elevated /AllUsers /S /D=$pf_win" ] ||
  fail "the install's elevated copy started with '$(elevated_with "$scratch/run.log")'"
run_quiet_uninstall "\"$pf_win\\uninstall.exe\" /S"
await_no_entry HKLM
[ "$(elevated_with "$scratch/run.log")" = "/Elevated /AllUsers /S _?=$pf_win" ] ||
  fail "the mode-less uninstall's elevated copy started with '$(elevated_with "$scratch/run.log")'"
[ ! -e "$pf" ] || fail "left after the mode-less uninstall: $(installed_files "$pf")"
absent "HKCU\\$key" "the mode-less uninstall wrote an HKCU uninstall entry"
say "uninstalled for all users with no mode given; korvane $version and $newer passed"

#!/usr/bin/env bash
# The release's setup program end to end in the current Wine prefix (32- or
# 64-bit; scripts/test starts it): a silent install for all users, the
# installed program's window, an install over it, an install and an uninstall
# while Stowlark runs, a silent uninstall that keeps what is not its own, and
# an install and uninstall for the current user only.
set -euo pipefail
release=$(cd "$1" && pwd)
# A Windows program that holds a file open as a virus scanner does (HoldFile.c).
holder=$(realpath "$2")
setup=$(echo "$release"/Stowlark-*-setup.exe)
version=${setup##*/Stowlark-}
version=${version%-setup.exe}
# Wine would copy each shortcut into this computer's own menus.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winemenubuilder.exe=d"

fail() { echo "FAIL: $*" >&2; exit 1; }
windows_env() { wine cmd.exe /c echo "%$1%" </dev/null | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null | sed 's:/$::'; }
# The data of one value, as `reg query` shows it (a DWORD as 0x...).
reg_value() {
  wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
has_key() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
# Starts a Stowlark and waits for its window; `started` is its process.
start_window() {
  wine "$1" </dev/null >/dev/null 2>&1 &
  started=$!
  for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Backup/Restore"' && break
    sleep 0.2
  done
  xwininfo -root -tree | grep -q '"Backup/Restore"' || fail "$2 showed no window"
}
expect_value() {
  local got
  got=$(reg_value "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 $2 is '$got', not '$3'"
}
# The folder and each file in it with its inode and time: a replaced file has
# a new inode, and a file written and taken back again changes the folder's time.
snapshot() { (cd "$1" && stat -c '%i %s %.9Y %n' . * | sort) 2>/dev/null; }
installed_files() { (cd "$1" && ls -A | tr '\n' ' '); }
# Runs the uninstaller's copy (outside the folder, so that it can remove the
# one there) and waits for it. NSIS reads "_?=" only unquoted, as Wine's
# command line from separate arguments would not give it; cmd passes it whole.
uninstall_copy() {
  wine cmd.exe /c "$(winepath -w "$program.uninstall.exe") /S _?=$1" </dev/null
}

uninstall_entry='Software\Microsoft\Windows\CurrentVersion\Uninstall\Stowlark'
# A PE32+ setup program, the x86-64 build of the script (tests/release/x64-setup.sh),
# writes the 64-bit registry view and Program Files.
machine=$(python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
print(hex(struct.unpack_from("<H", data, struct.unpack_from("<I", data, 60)[0] + 4)[0]))' "$setup")
if [ "$machine" = 0x8664 ]; then
  machine_key="HKLM\\$uninstall_entry"
  win_folder='C:\Program Files\Stowlark'
elif grep -q '^#arch=win64' "$WINEPREFIX/system.reg"; then
  # A 32-bit program's machine-wide keys and files on 64-bit Windows.
  machine_key="HKLM\\Software\\Wow6432Node\\${uninstall_entry#Software\\}"
  win_folder='C:\Program Files (x86)\Stowlark'
else
  machine_key="HKLM\\$uninstall_entry"
  win_folder='C:\Program Files\Stowlark'
fi
user_key="HKCU\\$uninstall_entry"
folder=$(unix_path "$win_folder")
all_menu=$(unix_path "$(windows_env ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")
user_menu=$(unix_path "$(windows_env AppData)\\Microsoft\\Windows\\Start Menu\\Programs")
program=$(mktemp)
unzip -p "$release"/Stowlark-*-portable.zip Stowlark.exe >"$program"

echo "-- A folder that cannot be written stops the install before anything is made"
status=0
wine "$setup" /S '/D=Z:\proc\Stowlark' </dev/null || status=$?
[ $status -eq 2 ] || fail "an install into Z:\proc ended with $status, not 2"
[ ! -e /proc/Stowlark ] && [ ! -e "$all_menu/Stowlark.lnk" ] && ! has_key "$machine_key" ||
  fail "the install into Z:\proc left something behind"

echo "-- A drive's root, or a folder with another program's Uninstall.exe, is refused aloud"
status=0
wine "$setup" /S '/D=C:\' </dev/null || status=$?
[ $status -eq 2 ] || fail "an install into C:\ ended with $status, not 2"
[ ! -e "$folder" ] && [ ! -e "$(unix_path 'C:\')/Stowlark.exe" ] && ! has_key "$machine_key" ||
  fail "an install into C:\ installed something"
# No space: Wine would quote the argument, and NSIS reads /D= only unquoted.
other="$(unix_path 'C:\')/OtherProgram"
mkdir -p "$other"
echo "another program's uninstaller" >"$other/Uninstall.exe"
status=0
wine "$setup" /S '/D=C:\OtherProgram' </dev/null || status=$?
[ $status -eq 2 ] || fail "an install over another program's Uninstall.exe ended with $status, not 2"
[ "$(installed_files "$other")" = "Uninstall.exe " ] &&
  [ "$(cat "$other/Uninstall.exe")" = "another program's uninstaller" ] ||
  fail "the install touched another program's folder: $(installed_files "$other")"
! has_key "$machine_key" || fail "a refused install wrote $machine_key"
rm -r "$other"

echo "-- A silent install for all users into $win_folder"
wine "$setup" /S </dev/null || fail "the silent install ended with $?"
[ "$(installed_files "$folder")" = "Stowlark.exe Uninstall.exe " ] ||
  fail "the install folder holds: $(installed_files "$folder")"
cmp "$program" "$folder/Stowlark.exe" || fail "the installed Stowlark.exe is not the release's"
"$(dirname "$0")/../app/check-icon.sh" "$folder/Uninstall.exe" >/dev/null ||
  fail "the uninstaller's icon is not Stowlark's"
[ -f "$all_menu/Stowlark.lnk" ] || fail "no shortcut in $all_menu"
expect_value "$machine_key" DisplayName Stowlark
expect_value "$machine_key" DisplayVersion "$version"
expect_value "$machine_key" Publisher "The Stowlark authors"
expect_value "$machine_key" DisplayIcon "$win_folder\\Stowlark.exe,0"
expect_value "$machine_key" InstallLocation "$win_folder"
expect_value "$machine_key" UninstallString "\"$win_folder\\Uninstall.exe\""
expect_value "$machine_key" QuietUninstallString "\"$win_folder\\Uninstall.exe\" /S"
# NSIS counts a section's size in whole kilobytes, rounded up.
expect_value "$machine_key" EstimatedSize "$(printf '0x%x' $((($(stat -c %s "$program") + 1023) / 1024)))"
expect_value "$machine_key" NoModify 0x1
expect_value "$machine_key" NoRepair 0x1
! has_key "$user_key" || fail "an all-users install wrote $user_key"

echo "-- An install over an earlier version replaces it in place"
wine reg add "$machine_key" /v DisplayVersion /d 0.9 /f </dev/null >/dev/null
echo "an earlier Stowlark.exe" >"$folder/Stowlark.exe"
wine "$setup" /S </dev/null || fail "the install over an earlier one ended with $?"
cmp "$program" "$folder/Stowlark.exe" || fail "the earlier Stowlark.exe was not replaced"
expect_value "$machine_key" DisplayVersion "$version"
entries=$(wine reg query "${machine_key%\\Stowlark}" </dev/null | tr -d '\r' | grep -ci 'stowlark$')
[ "$entries" -eq 1 ] || fail "$entries entries for Stowlark after installing over it"

echo "-- An upgrade over a program another program holds open succeeds whole or changes nothing"
echo "an earlier Stowlark.exe" >"$folder/Stowlark.exe"
echo "an earlier uninstaller" >"$folder/Uninstall.exe"
earlier=$(mktemp -d)
cp -p "$folder/Stowlark.exe" "$folder/Uninstall.exe" "$earlier/"
marker=$(mktemp -u)
for sharing in none delete; do
  wine "$holder" "$win_folder\Stowlark.exe" $sharing "$(winepath -w "$marker")" </dev/null &
  holding=$!
  for _ in $(seq 100); do [ -e "$marker" ] && break; sleep 0.1; done
  [ -e "$marker" ] || fail "the file could not be held ($sharing)"
  status=0
  wine "$setup" /S </dev/null || status=$?
  kill "$holding"
  wait "$holding" || true
  rm -f "$marker"
  if [ $sharing = none ]; then
    # Nothing can move a file held without sharing: refused, nothing changed.
    [ $status -eq 2 ] || fail "an upgrade over a file held without sharing ended with $status"
    cmp "$earlier/Stowlark.exe" "$folder/Stowlark.exe" && cmp "$earlier/Uninstall.exe" "$folder/Uninstall.exe" ||
      fail "a failed upgrade changed the program's files"
  else
    [ $status -eq 0 ] || fail "an upgrade over a file held with delete sharing ended with $status"
    cmp "$program" "$folder/Stowlark.exe" || fail "the upgrade did not put the new Stowlark.exe in place"
  fi
  for _ in $(seq 50); do [ "$(installed_files "$folder")" = "Stowlark.exe Uninstall.exe " ] && break; sleep 0.1; done
  [ "$(installed_files "$folder")" = "Stowlark.exe Uninstall.exe " ] ||
    fail "after the upgrade ($sharing) the folder holds: $(installed_files "$folder")"
done
rm -r "$earlier"

echo "-- App Paths lets a command start Stowlark.exe by name, as the README's examples do"
app_paths='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Stowlark.exe'
named=$(wine reg query "$app_paths" /ve </dev/null | tr -d '\r' | awk '$1 == "(Default)" { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }')
[ "$named" = "$win_folder\Stowlark.exe" ] || fail "App Paths names '$named'"
documents=$(unix_path "$(windows_env UserProfile)\Documents")
messenger=$(unix_path "$(windows_env AppData)\Microsoft\MSN Messenger")
mkdir -p "$messenger/a@example.com" && echo "by name" >"$messenger/a@example.com/named.png"
wine cmd.exe /c start /wait "" Stowlark.exe /backup /quiet </dev/null ||
  fail "start /wait Stowlark.exe /backup /quiet ended with $?"
[ "$(cat "$documents/Stowlark/a@example.com/named.png")" = "by name" ] ||
  fail "Stowlark.exe started by name backed up nothing"
rm -r "$documents/Stowlark" "$messenger"

echo "-- The installed Stowlark shows its window; while it runs, nothing is replaced or removed"
start_window "$folder/Stowlark.exe" "the installed Stowlark"
running=$started
before=$(snapshot "$folder")
status=0
wine "$setup" /S </dev/null || status=$?
[ $status -eq 2 ] || fail "a silent install while Stowlark runs ended with $status, not 2"
status=0
cp "$folder/Uninstall.exe" "$program.uninstall.exe"
uninstall_copy "$win_folder" || status=$?
[ $status -eq 2 ] || fail "a silent uninstall while Stowlark runs ended with $status, not 2"
[ "$(snapshot "$folder")" = "$before" ] || fail "the install folder changed while Stowlark ran"
has_key "$machine_key" || fail "the entry went while Stowlark ran"
kill "$running"
wait "$running" || true
# Another copy of Stowlark (the portable one, elsewhere) holds the running
# mutex, as any program could: nothing in this folder runs, so it is no block.
start_window "$program" "the other copy of Stowlark"
squatter=$started
wine "$setup" /S </dev/null || fail "an install while another copy ran ended with $?"
kill "$squatter"
wait "$squatter" || true

echo "-- A silent uninstall removes what the install made and nothing else"
kept=("$documents/Stowlark/a@example.com/emoticon.png"
  "$documents/Stowlark Replaced/Previous backup/a@example.com/emoticon.png"
  "$messenger/a@example.com/emoticon.png" "$folder/My notes.txt")
for file in "${kept[@]}"; do mkdir -p "${file%/*}" && echo "$file" >"$file"; done
# Reached by the folder's short name, as a script may: the same folder.
short_folder=$(winepath -s "$win_folder" 2>/dev/null)
[ "$short_folder" != "$win_folder" ] || fail "Wine gave no short name for $win_folder"
uninstall_copy "$short_folder" || fail "the silent uninstall by $short_folder ended with $?"
[ "$(installed_files "$folder")" = "My notes.txt " ] ||
  fail "after the uninstall the folder holds: $(installed_files "$folder")"
[ ! -e "$all_menu/Stowlark.lnk" ] || fail "the uninstall left the shortcut"
! has_key "$machine_key" || fail "the uninstall left $machine_key"
! has_key "$app_paths" || fail "the uninstall left $app_paths"
for file in "${kept[@]}"; do
  [ "$(cat "$file")" = "$file" ] || fail "the uninstall touched $file"
done
rm -r "$folder" "$documents/Stowlark" "$documents/Stowlark Replaced" "$messenger"

echo "-- An install into another folder moves the program; one folder holds one mode's install"
wine "$setup" /S </dev/null || fail "the install for all users ended with $?"
echo "$win_folder" >"$folder/My notes.txt"
moved="$(unix_path 'C:\')/MovedStowlark"
wine "$setup" /S '/D=C:\MovedStowlark' </dev/null || fail "the install into another folder ended with $?"
[ "$(installed_files "$folder")" = "My notes.txt " ] ||
  fail "the move left in the old folder: $(installed_files "$folder")"
expect_value "$machine_key" InstallLocation 'C:\MovedStowlark'
cp "$moved/Uninstall.exe" "$program.uninstall.exe"
uninstall_copy 'C:\MovedStowlark' || fail "the uninstall of the moved program ended with $?"
rm -r "$folder"
# For the current user, then for all users in the same folder: the second
# takes the first's entry and shortcut over, and one uninstall leaves none.
wine "$setup" /S /CurrentUser '/D=C:\MovedStowlark' </dev/null || fail "the install for the user ended with $?"
wine "$setup" /S /AllUsers '/D=C:\MovedStowlark' </dev/null || fail "the install for all users ended with $?"
! has_key "$user_key" && [ ! -e "$user_menu/Stowlark.lnk" ] ||
  fail "the install for all users left the user's entry or shortcut of the same folder"
cp "$moved/Uninstall.exe" "$program.uninstall.exe"
uninstall_copy 'C:\MovedStowlark' || fail "the uninstall of the shared folder ended with $?"
[ ! -e "$moved" ] && ! has_key "$user_key" && ! has_key "$machine_key" &&
  [ ! -e "$user_menu/Stowlark.lnk" ] && [ ! -e "$all_menu/Stowlark.lnk" ] ||
  fail "the uninstall left the program, an entry or a shortcut behind"

echo "-- /CurrentUser installs into LOCALAPPDATA\\Programs and uninstalls by its own entry"
wine "$setup" /S /CurrentUser </dev/null || fail "the install for the current user ended with $?"
user_win_folder="$(windows_env LocalAppData)\\Programs\\Stowlark"
user_folder=$(unix_path "$user_win_folder")
[ "$(installed_files "$user_folder")" = "Stowlark.exe Uninstall.exe " ] ||
  fail "$user_folder holds: $(installed_files "$user_folder")"
[ -f "$user_menu/Stowlark.lnk" ] || fail "no shortcut in $user_menu"
expect_value "$user_key" InstallLocation "$user_win_folder"
expect_value "$user_key" DisplayVersion "$version"
! has_key "$machine_key" || fail "an install for the current user wrote $machine_key"
[ ! -e "$folder" ] || fail "an install for the current user wrote $folder"
# As Add or Remove Programs runs it: the uninstaller hands over to a copy in
# the temporary folder and returns at once.
quiet=$(reg_value "$user_key" QuietUninstallString)
[[ $quiet =~ ^\"([^\"]+)\"\ /S$ ]] || fail "the quiet uninstall command is '$quiet'"
wine "${BASH_REMATCH[1]}" /S </dev/null || fail "'$quiet' ended with $?"
for _ in $(seq 150); do [ -e "$user_folder" ] || break; sleep 0.2; done
[ ! -e "$user_folder" ] || fail "the uninstall left $user_folder: $(installed_files "$user_folder")"
[ ! -e "$user_menu/Stowlark.lnk" ] || fail "the uninstall left the shortcut in $user_menu"
! has_key "$user_key" || fail "the uninstall left $user_key"

echo "-- /Schedule turns the daily backup on for the user who installs; the uninstaller turns it off"
# A prefix just made answers "Service database locked" for a few seconds.
for _ in $(seq 60); do
  wine net start schedule </dev/null 2>&1 | grep -qE 'started successfully|already running' && break
  sleep 1
done
task="$WINEPREFIX/drive_c/windows/system32/tasks/Stowlark backup"
wine "$setup" /S /Schedule </dev/null || fail "the install with /Schedule ended with $?"
[ -f "$task" ] || fail "the install with /Schedule registered no task"
told=$(wine "$folder/Stowlark.exe" /schedule </dev/null | tr -d '\r')
[[ $told == "Automatic backup: every day"* ]] || fail "after /Schedule the program says '$told'"
cp "$folder/Uninstall.exe" "$program.uninstall.exe"
uninstall_copy "$win_folder" || fail "the uninstall after /Schedule ended with $?"
[ ! -e "$task" ] || fail "the uninstall left the task that pointed at the program"
wine "$setup" /S </dev/null || fail "the install without /Schedule ended with $?"
[ ! -e "$task" ] || fail "an install without /Schedule registered a task"

echo "-- The uninstaller leaves another program's job named Stowlark backup"
# On the Windows XP road (Task Scheduler 1.0), where Wine keeps what a job
# starts. The other program is a copy of Stowlark's under another name: the
# job it registers starts no Stowlark.exe, so it is not Stowlark's.
xp=winxp
[ "$machine" != 0x8664 ] || xp=winxp64
for name in Stowlark.exe Lark.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$name" /v Version /d $xp /f </dev/null >/dev/null
done
other=$(mktemp -d)
cp "$program" "$other/Lark.exe"
wine "$other/Lark.exe" /schedule:daily </dev/null >/dev/null || fail "Lark.exe wrote no job"
job="$WINEPREFIX/drive_c/windows/tasks/Stowlark backup.job"
told=$(wine "$folder/Stowlark.exe" /schedule </dev/null | tr -d '\r')
[[ $told == "Automatic backup: off. A task named \"Stowlark backup\" belongs to another program (it starts "*'\Lark.exe /backup /quiet /automatic).' ]] ||
  fail "with another program's job the program says '$told'"
cp "$folder/Uninstall.exe" "$program.uninstall.exe"
uninstall_copy "$win_folder" || fail "the last uninstall ended with $?"
[ -f "$job" ] || fail "the uninstall removed another program's job"
rm -rf "$job" "$other"
wine reg delete 'HKCU\Software\Wine\AppDefaults\Stowlark.exe' /f </dev/null >/dev/null
wine reg delete 'HKCU\Software\Wine\AppDefaults\Lark.exe' /f </dev/null >/dev/null
rm -f "$program" "$program.uninstall.exe"
echo "The setup program of Stowlark $version passed in $WINEPREFIX"

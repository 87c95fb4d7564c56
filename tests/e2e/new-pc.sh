#!/usr/bin/env bash
# Getting it back on a new PC, as a user would: the prefix $WINEPREFIX backs
# up and copies to a stick at E: (a drive letter of the prefix, its label and
# serial number in the files Wine reads at its top); a second, fresh prefix,
# whose messenger has never run, restores from that stick through
# `/restore /from:E:\`, then through GO under Restore, its offer of the stick and the
# Restore dialog driven by keys (RestoreTest.OnANewPc... of the end-to-end tests). A second
# stick at F: holds portable Stowlark unpacked into F:\Stowlark, the place the
# first PC then copies to. Only what Stowlark wrote is restored from.
#   new-pc.sh <folder of Stowlark.exe and the end-to-end tests>
set -uo pipefail
bin="$1"
exe="$bin/Stowlark.exe"
[ -n "${WINEPREFIX:-}" ] || { echo "WINEPREFIX is not set" >&2; exit 1; }
first="$WINEPREFIX"
scratch="$(dirname "$first")/new-pc-test"
fresh="$scratch/new-pc-prefix"
stick="$scratch/stick"
portable="$scratch/portable"
failures=0
source "$(dirname "$0")/prefix-tools.sh"

# A PC of its own: shell folders in a tree of its C: drive, the stick at E:.
set_up_pc() {
  export WINEPREFIX="$1"
  local home="$WINEPREFIX/drive_c/pc"
  mkdir -p "$home/Documents" "$home/AppData" "$home/Local"
  shell_folder Personal 'C:\pc\Documents'
  shell_folder AppData 'C:\pc\AppData'
  shell_folder 'Local AppData' 'C:\pc\Local'
  letter e "$stick"
  letter f "$portable"
}
cleanup() {
  export WINEPREFIX="$first"
  wine "$exe" /copyto:off >/dev/null 2>&1 </dev/null
  rm -f "$first/dosdevices/e:" "$first/dosdevices/f:"
  wineserver -k >/dev/null 2>&1
  WINEPREFIX="$fresh" wineserver -k >/dev/null 2>&1
  rm -rf "$scratch" "$first/drive_c/pc"
}
trap cleanup EXIT
rm -rf "$scratch"
volume "$stick" STICK 5a11cafe
volume "$portable" PORTABLE 5a11f00d
mkdir -p "$portable/Stowlark"
echo -n MZ >"$portable/Stowlark/Stowlark.exe"

echo "-- The first PC backs up, and copies to its stick"
set_up_pc "$first"
messenger="$first/drive_c/pc/AppData/Microsoft/MSN Messenger"
mkdir -p "$messenger/alice@example.com" "$messenger/bob@example.com/Backgrounds"
echo -n smile >"$messenger/alice@example.com/smile.png"
echo -n sea >"$messenger/bob@example.com/Backgrounds/sea.bmp"
wine "$exe" '/copyto:E:\' </dev/null >/dev/null 2>&1 || fail "/copyto:E:\\ on the first PC"
wine "$exe" /backup /quiet </dev/null >/dev/null 2>&1 || fail "the first PC's backup"
[ "$(cat "$stick/Stowlark/bob@example.com/Backgrounds/sea.bmp" 2>&1)" = sea ] ||
  fail "the stick holds no copy of the backup"
[ -f "$stick/Stowlark/Stowlark backup.txt" ] || fail "the copy on the stick is not marked"
wine "$exe" '/copyto:F:\Stowlark' </dev/null >/dev/null 2>&1 || fail "/copyto:F:\Stowlark"
wine "$exe" /backup /quiet </dev/null >/dev/null 2>&1 || fail "the backup copied to F:\Stowlark"
[ "$(cat "$portable/Stowlark/Stowlark/alice@example.com/smile.png" 2>&1)" = smile ] ||
  fail "F:\Stowlark\Stowlark holds no copy of the backup"

echo "-- A new PC, whose messenger never ran, restores from the stick"
mkdir -p "$fresh"
WINEPREFIX="$fresh" wineboot -i >/dev/null 2>&1 || fail "the new PC's prefix could not be made"
WINEPREFIX="$fresh" wineserver -w
set_up_pc "$fresh"
restored="$fresh/drive_c/pc/AppData/Microsoft/MSN Messenger"
[ ! -e "$restored" ] || fail "the new PC had a messenger folder already"
wine "$exe" /restore /quiet '/from:E:\' </dev/null >"$scratch/out" 2>/dev/null
code=$?
[ "$code" = 0 ] || fail "/restore /from:E:\\ ended with $code: $(tr -d '\r' <"$scratch/out")"
[ "$(cat "$restored/alice@example.com/smile.png" 2>&1)" = smile ] &&
  [ "$(cat "$restored/bob@example.com/Backgrounds/sea.bmp" 2>&1)" = sea ] ||
  fail "the new PC's messenger folder does not hold the backup"
# A folder with nothing but a loose file (the program, unpacked there) holds no backup.
mkdir -p "$fresh/drive_c/pc/Unpacked"
echo -n MZ >"$fresh/drive_c/pc/Unpacked/Stowlark.exe"
wine "$exe" /restore /quiet '/from:C:\pc\Unpacked' </dev/null >"$scratch/out" 2>/dev/null
code=$?
[ "$code $(tr -d '\r' <"$scratch/out")" = "1 No backup was found in C:\\pc\\Unpacked." ] ||
  fail "a folder holding no backup: $code $(tr -d '\r' <"$scratch/out")"

# The copy made into the folder portable Stowlark was unpacked in, found
# from the stick's top; its own folder is no account.
rm -rf "$restored"
wine "$exe" /restore /quiet '/from:F:\' </dev/null >"$scratch/out" 2>/dev/null
code=$?
[ "$code" = 0 ] && [ "$(cat "$restored/alice@example.com/smile.png" 2>&1)" = smile ] ||
  fail "/restore /from:F:\ ended with $code: $(tr -d '\r' <"$scratch/out")"
[ ! -e "$restored/Stowlark" ] || fail "F:\Stowlark\Stowlark was restored as an account"
# Any other folder is no backup, in a preview too; one not there cannot be restored from.
rm -rf "$restored"
desktop="$(WINEPREFIX="$fresh" wine cmd /c 'echo %USERPROFILE%\Desktop' 2>/dev/null | tr -d '\r')"
for from in "$desktop" 'C:\windows'; do
  for preview in '' /preview; do
    wine "$exe" /restore /quiet $preview "/from:$from" </dev/null >"$scratch/out" 2>/dev/null
    code=$?
    [ "$code $(tr -d '\r' <"$scratch/out")" = "1 No backup was found in $from." ] ||
      fail "/from:$from $preview: $code $(tr -d '\r' <"$scratch/out")"
  done
done
[ ! -e "$restored" ] || fail "a restore from a folder holding no backup wrote the messenger's folder"
wine "$exe" /restore /quiet '/from:E:\Nowhere' </dev/null >"$scratch/out" 2>/dev/null
code=$?
grep -q 'cannot be found: E:\\Nowhere' "$scratch/out" && [ "$code" = 4 ] ||
  fail "/from: a folder that is not there: $code $(tr -d '\r' <"$scratch/out")"

# With no backup here, a restore names the backups found and writes nothing.
wine "$exe" /restore /quiet </dev/null >"$scratch/out" 2>/dev/null
code=$?
[ "$code" = 1 ] && grep -q 'E:\\Stowlark' "$scratch/out" && [ ! -e "$restored" ] ||
  fail "/restore with no backup here: $code $(tr -d '\r' <"$scratch/out")"

echo "-- The same through GO, the offer of the stick and the Restore dialog"
STOWLARK_NEW_PC=1 wine "$bin/stowlark_e2e_tests.exe" \
  --gtest_filter='RestoreTest.OnANewPcGoUnderRestoreOffersTheStickAndTheDialogRestoresIt' \
  </dev/null >"$scratch/e2e" 2>&1
grep -q '^\[  PASSED  \] 1 test' "$scratch/e2e" || {
  cat "$scratch/e2e" >&2
  fail "the offer and the dialog on the new PC"
}

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "Restoring on a new PC: every check passed"

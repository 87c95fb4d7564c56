#!/usr/bin/env bash
# The copy away from this disk, driven as a user would, through the real
# Stowlark.exe in the Wine prefix $WINEPREFIX: a stick that is a drive letter
# of the prefix (a link in dosdevices, its label and serial number in the files
# .windows-label and .windows-serial at its top, removable by the drive's
# type), moved to another letter, replaced by another volume, unplugged; a
# network folder through dosdevices/unc; and real FAT32 and exFAT images
# mounted with FUSE as the stick. Wine's mount manager keeps what it saw, so
# its server is restarted after every change of a link.
#   copy-to-another-drive.sh <folder of Stowlark.exe>
set -uo pipefail
exe="$1/Stowlark.exe"
[ -n "${WINEPREFIX:-}" ] || { echo "WINEPREFIX is not set" >&2; exit 1; }
scratch="$(dirname "$WINEPREFIX")/copy-to-test"
documents='C:\stowlark-copy-to\Documents'
home="$WINEPREFIX/drive_c/stowlark-copy-to"
messenger="$home/AppData/Microsoft/MSN Messenger/alice@example.com"
failures=0
tmp=$(mktemp -d)
source "$(dirname "$0")/prefix-tools.sh"

expect() {  # what, expected, got
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}
# Runs Stowlark.exe; $out is what it wrote, $code its exit code, $took its milliseconds.
run() {
  local start
  start=$(date +%s%N)
  wine "$exe" "$@" </dev/null >"$tmp/out" 2>/dev/null
  code=$?
  took=$((($(date +%s%N) - start) / 1000000))
  out=$(tr -d '\r' <"$tmp/out")
}
record() {
  wine reg query 'HKCU\Software\Stowlark' /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
cleanup() {
  for drive in e g; do rm -f "$WINEPREFIX/dosdevices/$drive:"; done
  rm -rf "$WINEPREFIX/dosdevices/unc/nas" "$WINEPREFIX/dosdevices/unc/fat"
  for mounted in "${mounts[@]}"; do
    fusermount -u "$mounted" 2>/dev/null || umount "$mounted" 2>/dev/null || true
  done
  [ -n "${loop:-}" ] && losetup -d "$loop"
  wine "$exe" /copyto:off >/dev/null 2>&1 </dev/null
  for value in Personal AppData 'Local AppData'; do
    [ -n "${saved[$value]:-}" ] && shell_folder "$value" "${saved[$value]}"
  done
  wineserver -k >/dev/null 2>&1
  rm -rf "$scratch" "$home" "$tmp"
}
mounts=()
declare -A saved
for value in Personal AppData 'Local AppData'; do
  saved[$value]=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
    /v "$value" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$value *REG_SZ *//p")
done
trap cleanup EXIT
rm -rf "$scratch" "$home"
mkdir -p "$scratch" "$messenger" "$home/Documents" "$home/Local"
shell_folder Personal "$documents"
shell_folder AppData 'C:\stowlark-copy-to\AppData'
shell_folder 'Local AppData' 'C:\stowlark-copy-to\Local'
echo smile-1 >"$messenger/smile.png"

echo "-- A stick at E: is chosen, and the next backup copies to it"
volume "$scratch/stick" STICK 5a11cafe
letter e "$scratch/stick"
run '/copyto:E:\'
expect "/copyto:E:\\" "0 Copy to: E:\\ (STICK), not made yet." "$code $out"
run /copyto:C:\\Elsewhere
expect "a place beside Documents" "4 Not copying to C:\\Elsewhere: it is on the same drive as your Documents folder, and a copy there would be lost with it." "$code $out"
run /backup /quiet
expect "the first backup" 0 "$code"
expect "the copy" smile-1 "$(cat "$scratch/stick/Stowlark/alice@example.com/smile.png" 2>&1)"
run /copyto
[[ "$out" =~ ^Copy\ to:\ E:\\\ \(STICK\),\ last\ made\ [0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}\.$ ]] ||
  fail "/copyto after a copy: $out"

echo "-- In another port the stick is G:, and is found there"
letter e
letter g "$scratch/stick"
echo smile-2 >"$messenger/smile.png"
run /backup /quiet
expect "a backup to the moved stick" 0 "$code"
expect "the copy on G:" smile-2 "$(cat "$scratch/stick/Stowlark/alice@example.com/smile.png")"
kept=$(find "$scratch/stick/Stowlark Replaced" -name smile.png -exec cat {} \;)
expect "the version the copy replaced, kept on the stick" smile-1 "$kept"
run /copyto
[[ "$out" == "Copy to: G:\\ (STICK), last made "* ]] || fail "the stored place follows the stick: $out"

echo "-- Another volume at G:, then none: nothing is written, the backup is made, code 2"
volume "$scratch/other" OTHER 0bad0bad
for at in other none; do
  if [ $at = other ]; then letter g "$scratch/other"; else letter g; fi
  echo "smile-3 $at" >"$messenger/smile.png"
  run /backup /quiet
  expect "the stick away ($at)" 2 "$code"
  expect "the line ($at)" "Not copied to G:\\Stowlark: the drive STICK is not connected." "$(tail -n 1 <<<"$out")"
  expect "the backup in Documents ($at)" "smile-3 $at" "$(cat "$home/Documents/Stowlark/alice@example.com/smile.png")"
  plain=$took
done
expect "the other volume" ".windows-label .windows-serial" "$(ls -A "$scratch/other" | tr '\n' ' ' | sed 's/ $//')"

echo "-- The automatic run tells an absent stick only once its copy is a week old"
for age in "2 days ago" "8 days ago"; do
  made=$(date -d "$age" '+%Y-%m-%d %H:%M')
  wine reg add 'HKCU\Software\Stowlark' /v 'Copy last made' /d "$made" /f >/dev/null 2>&1
  run /backup /quiet /automatic
  expect "the automatic run ($age)" 2 "$code"
  if [ "$age" = "2 days ago" ]; then
    # Not to be told, so no balloon: about as long as a plain backup.
    expect "told ($age)" 0x1 "$(record 'Automatic backup told')"
    [ "$took" -lt $((plain + 5000)) ] || fail "no balloon is due, but the run took $took ms"
  else
    expect "told ($age)" 0x0 "$(record 'Automatic backup told')"
    expect "the reminder" "Your copy on STICK was last made on $made. Connect it so that the next backup brings it up to date." "$(record 'Automatic backup summary')"
    [ "$took" -ge 9500 ] || fail "a balloon for about ten seconds, but the run took $took ms"
  fi
done
letter g "$scratch/stick"
run /backup /quiet /automatic
expect "a copy made again" 0 "$code"

echo "-- A link on the stick is never written through, and another volume at the letter mid-run gets nothing"
mkdir -p "$home/Elsewhere"
mv "$scratch/stick/Stowlark" "$scratch/stick-copy"
ln -s "$home/Elsewhere" "$scratch/stick/Stowlark"
letter g "$scratch/stick"
run /backup /quiet
expect "a link at G:\\Stowlark" "2 Not copied to G:\\Stowlark: G:\\Stowlark is a symbolic link or junction, and no copy is written through one." "$code $(tail -n 1 <<<"$out")"
expect "the folder the link leads to" "" "$(ls -A "$home/Elsewhere")"
rm "$scratch/stick/Stowlark"
mv "$scratch/stick-copy" "$scratch/stick/Stowlark"
head -c 200000000 /dev/zero >"$messenger/big.bin"
for n in $(seq 1 20); do echo "small $n" >"$messenger/small-$n.png"; done
volume "$scratch/same-label" STICK 5a11cafe
mkdir -p "$scratch/same-label/Stowlark/alice@example.com"
wine "$exe" /backup /quiet </dev/null >"$tmp/out" 2>/dev/null &
backup=$!
for _ in $(seq 1 3000); do
  compgen -G "$scratch/stick/Stowlark/alice@example.com/~stowlark-*.partial" >/dev/null && break
  sleep 0.1
done
ln -sfn "$scratch/same-label" "$WINEPREFIX/dosdevices/g:"
wait $backup
code=$?
out=$(tr -d '\r' <"$tmp/out")
expect "the letter taken mid-run" "2 Not copied to G:\\Stowlark: the drive STICK went away during the copy." "$code $(tail -n 1 <<<"$out")"
expect "the other volume at the letter" "" "$(ls -A "$scratch/same-label/Stowlark/alice@example.com")"
for folder in "$messenger" "$home/Documents/Stowlark/alice@example.com" "$scratch/stick/Stowlark/alice@example.com"; do
  rm -f "$folder/big.bin" "$folder"/small-*.png
done
letter g "$scratch/stick"

echo "-- A network folder, \\\\nas\\share, and the share gone"
mkdir -p "$scratch/share" "$WINEPREFIX/dosdevices/unc/nas"
ln -s "$scratch/share" "$WINEPREFIX/dosdevices/unc/nas/share"
wineserver -k >/dev/null 2>&1
run '/copyto:\\nas\share\Backups'
expect "/copyto a network folder" "0 Copy to: \\\\nas\\share\\Backups, not made yet." "$code $out"
run /backup /quiet
expect "a backup to the share" 0 "$code"
expect "the copy on the share" "smile-3 none" "$(cat "$scratch/share/Backups/Stowlark/alice@example.com/smile.png")"
rm "$WINEPREFIX/dosdevices/unc/nas/share"
wineserver -k >/dev/null 2>&1
run /backup /quiet
expect "the share gone" 2 "$code"
[[ "$(tail -n 1 <<<"$out")" == "Not copied to \\\\nas\\share\\Backups\\Stowlark: the network folder \\\\nas\\share cannot be reached: "* ]] ||
  fail "the line for a share gone: $out"

echo "-- Documents moved onto the stick: no copy goes there, the run says why, code 2"
letter g
letter e "$scratch/stick"
run '/copyto:E:\'
expect "/copyto:E:\\ again" 0 "$code"
mkdir -p "$scratch/stick/Docs"
shell_folder Personal 'E:\Docs'
echo smile-4 >"$messenger/smile.png"
run /backup /quiet
expect "a backup with Documents on the stick" 2 "$code"
expect "the line" "Not copied to E:\\Stowlark: it is on the same drive as your Documents folder, and a copy there would be lost with it." "$(tail -n 1 <<<"$out")"
expect "the copy left as it was" "smile-3 none" "$(cat "$scratch/stick/Stowlark/alice@example.com/smile.png")"
shell_folder Personal "$documents"

echo "-- A \\\\?\\ form is kept as the plain path it names, or refused"
run '/copyto:\\?\E:\Backups'
expect "/copyto:\\\\?\\E:\\Backups" "0 Copy to: E:\\Backups (STICK), not made yet." "$code $out"
run '/copyto:\\.\PhysicalDrive0'
expect "/copyto a device" "4 Not copying to \\\\.\\PhysicalDrive0: it is not a folder on a drive or a network folder. Give one as E:\\Backups or \\\\server\\share\\Backups." "$code $out"
run /backup /quiet
expect "a backup to E:\\Backups" 0 "$code"
expect "the copy there" smile-4 "$(cat "$scratch/stick/Backups/Stowlark/alice@example.com/smile.png")"

echo "-- A record that cannot be trusted is told, never acted on, and can be turned off"
unreadable="the setting cannot be read. Set it again with /copyto:FOLDER, or turn it off with /copyto:off."
for bad in "Copy to volume serial number:REG_SZ:5a11cafe" "Copy to volume root:REG_SZ:"; do
  IFS=: read -r name type data <<<"$bad"
  run '/copyto:E:\Backups'
  wine reg add 'HKCU\Software\Stowlark' /v "$name" /t "$type" /d "$data" /f >/dev/null 2>&1
  run /copyto
  expect "/copyto of a bad $name" "0 Copy to: $unreadable" "$code $out"
  echo "smile-5 $name" >"$messenger/smile.png"
  run /backup /quiet
  expect "a backup with a bad $name" "2 Not copied to another place: $unreadable" "$code $(tail -n 1 <<<"$out")"
  expect "nothing copied" smile-4 "$(cat "$scratch/stick/Backups/Stowlark/alice@example.com/smile.png")"
done
run /copyto:off
expect "/copyto:off of a bad record" "0 Copy to: off." "$code $out"
echo "smile-3 none" >"$messenger/smile.png"  # what the drives below expect to copy

# Real FAT32 and exFAT, mounted with FUSE where this machine allows: times
# there are kept to two seconds, and the repeat finds the copy unchanged and
# writes nothing. Each is the stick at E:; Wine 8 gives no serial number for
# an exFAT mount, which needs a loop device (GetVolumeInformationW fails with
# ERROR_INVALID_FUNCTION), so there such a stick is refused as a place, and
# exFAT is met as a network folder instead (Wine 10 tells it apart). Under the emulated Wine the image is
# mounted where the emulated tree sees it, and looked at there.
if [ "$(id -u)" -ne 0 ] || [ ! -e /dev/fuse ] || ! command -v fusefat >/dev/null ||
  ! command -v mount.exfat-fuse >/dev/null; then
  echo "Not run: the FAT32 and exFAT drives need root, /dev/fuse, fusefat and exfat-fuse."
else
  for kind in FAT32 exFAT; do
    echo "-- A real $kind drive"
    image="$scratch/$kind.img" point="$scratch/$kind"
    seen="${STOWLARK_WINE_ROOT:-}$point"
    mkdir -p "$point" "$seen"
    truncate -s 96M "$image"
    if [ $kind = FAT32 ]; then
      mkfs.vfat -F 32 -n STICK "$image" >/dev/null && fusefat -o rw+ "$image" "$seen" >/dev/null 2>&1
    else
      mkfs.exfat -L STICK "$image" >/dev/null && loop=$(losetup -f --show "$image") &&
        mount.exfat-fuse "$loop" "$seen" >/dev/null 2>&1
    fi || { fail "$kind could not be mounted"; continue; }
    mounts+=("$seen")
    if [ $kind = FAT32 ]; then volume "$seen" STICK fa732000; else volume "$seen" STICK e8fa7000; fi
    touch -d '2026-12-01 10:00:01' "$messenger/smile.png"
    letter e "$point"
    place='E:\' folder='E:\Stowlark'
    if [ $kind = exFAT ]; then
      run '/copyto:E:\'
      if [ "$code" != 0 ]; then
        expect "an exFAT stick this Wine cannot tell apart" "4 Not copying to E:\\: the drive it is on cannot be told apart from others." "$code $out"
        letter e
        mkdir -p "$WINEPREFIX/dosdevices/unc/fat"
        ln -sfn "$point" "$WINEPREFIX/dosdevices/unc/fat/exfat"
        wineserver -k >/dev/null 2>&1
        place='\\fat\exfat' folder='\\fat\exfat\Stowlark'
      fi
    fi
    run "/copyto:$place"
    expect "/copyto the $kind drive" 0 "$code"
    run /backup /quiet
    expect "a backup to $kind" 0 "$code"
    copy="$seen/Stowlark/alice@example.com/smile.png"
    expect "the copy on $kind" "smile-3 none" "$(cat "$copy")"
    run /backup /quiet
    expect "a repeat on $kind" "0 Copied to $folder: 0 added, 0 replaced, 1 unchanged, 0 not copied." "$code $(tail -n 1 <<<"$out")"
    # The first backup's record of what it added stands there; no kept folder does.
    [ -z "$(find "$seen/Stowlark Replaced" -mindepth 1 -type d 2>/dev/null)" ] || fail "the repeat on $kind kept a version"
    if [ $kind = FAT32 ]; then
      # A pulled stick's directory may claim more than its clusters hold: the
      # entry of SHORT.BIN is patched to 4,000,000 bytes over 100,352.
      head -c 100352 /dev/urandom >"$seen/Stowlark/alice@example.com/short.bin"
      fusermount -u "$seen"
      python3 - "$image" <<'PATCH'
import struct, sys
with open(sys.argv[1], "r+b") as image:
    data = image.read()
    # The long name's entry, then the short entry after the long ones.
    at = data.find("short.bin".encode("utf-16-le")[:10])
    assert at > 0, "no directory entry for short.bin"
    at -= at % 32
    while data[at + 11] == 0x0F:
        at += 32
    image.seek(at + 28)
    image.write(struct.pack("<I", 4000000))
PATCH
      fusefat -o rw+ "$image" "$seen" >/dev/null 2>&1
      wineserver -k >/dev/null 2>&1
      run /restore /quiet '/from:E:\'
      expect "a restore of a file shorter than its entry" 2 "$code"
      [[ "$out" == *"short.bin: only 100352 of 4000000 bytes could be read: the drive may be damaged"* ]] ||
        fail "the short file is told: $out"
      [ ! -e "$messenger/short.bin" ] || fail "the short file was restored"
      rm -f "$seen/Stowlark/alice@example.com/short.bin"
    fi
    letter e
    rm -rf "$WINEPREFIX/dosdevices/unc/fat"
    if [ $kind = FAT32 ]; then fusermount -u "$seen"; else umount "$seen"; losetup -d "$loop"; loop=""; fi
    mounts=("${mounts[@]:0:${#mounts[@]}-1}")
  done
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "The copy on another drive: every check passed"

# What the shell tests of the end-to-end tier do to a Wine prefix, sourced by
# each; the prefix is $WINEPREFIX, and $failures counts the checks that failed.

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Both keys: a new session of Wine's takes "Shell Folders" from "User Shell
# Folders", and a user's machine has both.
shell_folder() {
  local key
  for key in 'Shell Folders' 'User Shell Folders'; do
    wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$key" \
      /v "$1" /d "$2" /f >/dev/null 2>&1
  done
}
# Points a drive letter at a folder, as a removable drive, or takes it away.
# Wine's mount manager keeps what it saw, so its server is restarted.
letter() {
  rm -f "$WINEPREFIX/dosdevices/$1:"
  [ -n "${2:-}" ] && ln -s "$2" "$WINEPREFIX/dosdevices/$1:"
  wine reg add 'HKLM\Software\Wine\Drives' /v "$1:" /d floppy /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
}
# Gives a folder a volume's label and serial number, from the files Wine reads
# at the top of a drive.
volume() {  # folder, label, serial
  mkdir -p "$1"
  echo "$2" >"$1/.windows-label"
  echo "$3" >"$1/.windows-serial"
}

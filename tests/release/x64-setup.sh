#!/usr/bin/env bash
# Makes, in the folder given, the release's setup program from the same
# script built for x86-64 around the x86-64 Stowlark.exe, and a zip holding
# that program, for tests/release/installer.sh. Only where 32-bit code runs
# emulated, and the shipped 32-bit setup program cannot start, does it stand
# in for that one: the script's logic is the same, its registry view and
# Program Files folder the 64-bit ones.
set -euo pipefail
program=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
# makensis works in the folder of the script: every path is made absolute.
rm -rf "$1"
mkdir -p "$1"
out=$(cd "$1" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$(dirname "$program")/../CMakeCache.txt")
sed 's/\r*$/\r/' "$root/LICENSE" >"$out/LICENSE.txt"
python3 - "$out/Stowlark-$version-portable.zip" "$program" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as out:
    out.write(sys.argv[2], "Stowlark.exe")
PYTHON
makensis -V2 -INPUTCHARSET UTF8 "-XTarget amd64-unicode" -DVERSION="$version" \
  -DVERSION4="$version.0" -DPROGRAM="$program" -DLICENSE_FILE="$out/LICENSE.txt" \
  -DOUTFILE="$out/Stowlark-$version-setup.exe" "$root/installer/Stowlark.nsi"
rm "$out/LICENSE.txt"

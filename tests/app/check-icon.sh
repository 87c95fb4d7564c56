#!/usr/bin/env bash
# Checks that a program file holds one icon group, the one Explorer, the Start
# menu, Alt+Tab and a setup's pages show, and that it has Stowlark's figure
# drawn at every size Windows shows it: 256-colour bitmaps up to 64 pixels,
# which every Windows from XP on reads, and at 256 the PNG that Vista and
# later read. Usage: check-icon.sh program.exe
set -euo pipefail
program=$1
expected="16:bmp8 20:bmp8 24:bmp8 32:bmp8 40:bmp8 48:bmp8 64:bmp8 256:png"
ico=$(mktemp)
trap 'rm -f "$ico"' EXIT

number() { od -An "$@" "$ico" | tr -d ' '; }

groups=$(wrestool -l -t 14 "$program" | wc -l)
wrestool -x -t 14 "$program" >"$ico"
images=()
for ((i = 0; i < $(number -tu2 -j4 -N2); i++)); do
  entry=$((6 + 16 * i))
  size=$(number -tu1 -j$entry -N1)
  offset=$(number -tu4 -j$((entry + 12)) -N4)
  # An ICONDIRENTRY writes 256 as 0.
  if [ "$(number -tx1 -j"$offset" -N4)" = 89504e47 ]; then kind=png
  else kind=bmp$(number -tu2 -j$((offset + 14)) -N2); fi
  images+=("$((size == 0 ? 256 : size)):$kind")
done
if [ "$groups" -ne 1 ] || [ "${images[*]}" != "$expected" ]; then
  echo "FAIL: $program has $groups icon group(s); its images are '${images[*]}', not '$expected'"
  exit 1
fi
echo "$program: one icon group, $expected"

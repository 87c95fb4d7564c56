#!/usr/bin/env bash
# Checks the shipped Stowlark.exe as a file: at most 400 KB, marked for
# Windows XP (5.1) or older, and importing only functions that the committed
# list knows to exist on Windows XP SP3.
set -euo pipefail
program=$1
list=$(dirname "$0")/xp-sp3-imports.txt
objdump=i686-w64-mingw32-objdump
failed=0

size=$(stat -c %s "$program")
if [ "$size" -gt $((400 * 1024)) ]; then
  echo "FAIL: $program is $size bytes, more than 400 KB"; failed=1
fi

headers=$($objdump -p "$program")
for version in OSystemVersion SubsystemVersion; do
  major=$(awk -v k="Major$version" '$1 == k {print $2}' <<<"$headers")
  minor=$(awk -v k="Minor$version" '$1 == k {print $2}' <<<"$headers")
  if [ $((major * 100 + minor)) -gt 501 ]; then
    echo "FAIL: $version is $major.$minor, newer than Windows XP's 5.1"; failed=1
  fi
done

imports=$(awk '/DLL Name:/ {dll = toupper($3); next}
               /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll " " $3}' <<<"$headers" | sort -u)
if ! grep -qx 'KERNEL32.DLL CreateFileW' <<<"$imports"; then
  echo "FAIL: the import table of $program was not read"; failed=1
fi
unknown=$(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u))
if [ -n "$unknown" ]; then
  echo "FAIL: imports not known to exist on Windows XP SP3:"; echo "$unknown"; failed=1
fi

[ $failed -eq 0 ] && echo "$program: $size bytes, $(wc -l <<<"$imports") imports, all on Windows XP SP3"
exit $failed

#!/usr/bin/env bash
# Checks the shipped Stowlark.exe as a file: at most 400 KB, marked for
# Windows XP (5.1) or older, importing only functions that the committed list
# knows to exist on Windows XP SP3 and only from libraries that Windows always
# takes from the system folder, saying the project's version in its
# properties, declaring asInvoker and terminal-server awareness, holding its
# icon at every size, and holding no path of the machine that built it.
# Usage: check-program.sh Stowlark.exe [version]; without a version, the one
# CMake was given, from the build folder's cache.
set -euo pipefail
program=$1
build=$(realpath "$(dirname "$program")/..")
project_version=${2:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")}
source_root=$(realpath "$(dirname "$0")/../..")
list=$(dirname "$0")/xp-sp3-imports.txt
# Known DLLs on every Windows from XP SP3 on (msvcrt as a dependency of them
# on XP), ntdll, which every process has, and comctl32, which the manifest
# takes from the system's side-by-side store. A library of any other name
# would be searched for in the program's own folder first.
system_libraries="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL NTDLL.DLL OLE32.DLL USER32.DLL"
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

# The version resource's strings are UTF-16, each followed by its value.
plain=$(strings -a "$program")
wide=$(strings -a -n 3 -el "$program")

# Without a declared level Windows virtualises the program's writes; without
# the flag it applies terminal-server compatibility shims.
manifest=$(tr -d '\n' <<<"$plain" | grep -o '<assembly.*</assembly>' || true)
if ! grep -q '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' <<<"$manifest"; then
  echo "FAIL: the manifest does not declare asInvoker"; failed=1
fi
if ! grep -q '<supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>' <<<"$manifest"; then
  echo "FAIL: the manifest does not name Windows Vista among the supported systems"; failed=1
fi
if ! grep -q 'TERMINAL_SERVICE_AWARE' <<<"$headers"; then
  echo "FAIL: $program is not marked terminal-server aware"; failed=1
fi

imports=$(awk '/DLL Name:/ {dll = toupper($3); next}
               /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll " " $3}' <<<"$headers" | sort -u)
if ! grep -qx 'KERNEL32.DLL CreateFileW' <<<"$imports"; then
  echo "FAIL: the import table of $program was not read"; failed=1
fi
unknown=$(comm -23 <(echo "$imports") <(grep -v '^#' "$list" | sort -u))
if [ -n "$unknown" ]; then
  echo "FAIL: imports not known to exist on Windows XP SP3:"; echo "$unknown"; failed=1
fi

libraries=$(awk '/DLL Name:/ {print toupper($3)}' <<<"$headers" | sort -u)
outside=$(comm -23 <(echo "$libraries") <(tr ' ' '\n' <<<"$system_libraries" | sort -u))
if [ -n "$outside" ]; then
  echo "FAIL: imports libraries that Windows may take from the program's folder:"; echo "$outside"
  failed=1
fi

for key in FileVersion ProductVersion; do
  value=$(awk -v k="$key" 'found {print; exit} $0 == k {found = 1}' <<<"$wide")
  if [ "$value" != "$project_version" ]; then
    echo "FAIL: $key is '$value', not the project's version '$project_version'"; failed=1
  fi
done
if ! grep -qxF "Stowlark $project_version" <<<"$plain"; then
  echo "FAIL: the /? text does not start with 'Stowlark $project_version'"; failed=1
fi

"$(dirname "$0")/check-icon.sh" "$program" || failed=1

for path in "$source_root" "$build"; do
  if grep -qF "$path" <<<"$plain$wide"; then
    echo "FAIL: $program holds the build path $path"; failed=1
  fi
done

[ $failed -eq 0 ] && echo "$program: $size bytes, $(wc -l <<<"$imports") imports, all on Windows XP SP3," \
  "from $(wc -l <<<"$libraries") system libraries; version $project_version; no build path"
exit $failed

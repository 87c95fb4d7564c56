#!/usr/bin/env bash
# Builds the release of the commit checked out twice, in two fresh clones at
# paths of different lengths, one after the other, and compares the bytes:
# nothing of the time of the build or of where it ran may get into them. The
# second clone is made as Git for Windows makes one, with core.autocrlf=true.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
clones=(build/repro-a build/repro-second-clone/b)
rm -rf build/repro-a build/repro-second-clone
crlf=""
for clone in "${clones[@]}"; do
  git clone -q --no-hardlinks ${crlf:+-c core.autocrlf=true} "$root" "$clone"
  git -C "$clone" ${crlf:+-c core.autocrlf=true} checkout -q --detach "$(git rev-parse HEAD)"
  crlf=yes
  "$clone/scripts/release" >"$clone.log" 2>&1 || { cat "$clone.log"; exit 1; }
done

failed=0
for file in build/windows-release/bin/Stowlark.exe $(cd "${clones[0]}" && echo build/release/*); do
  if ! cmp "${clones[0]}/$file" "${clones[1]}/$file"; then
    echo "FAIL: two builds of $(git rev-parse --short HEAD) give different ${file##*/}"
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "Two builds of $(git rev-parse --short HEAD) gave the same bytes:" &&
  cat "${clones[0]}/build/release/SHA256SUMS"
exit $failed

#!/usr/bin/env bash
# The release folder as scripts/release leaves it: the three files and nothing
# else, checksums that `sha256sum -c` accepts, a zip of exactly the program and
# two texts with Windows line ends and the commit's time, and a setup program
# whose version resource says the release's version and whose icon and pages'
# pictures are Stowlark's own.
set -euo pipefail
release=$1 program=$2 license=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

setup=$(echo "$release"/Stowlark-*-setup.exe)
version=${setup##*/Stowlark-}
version=${version%-setup.exe}
zip=$release/Stowlark-$version-portable.zip
[ "$(ls -A "$release" | tr '\n' ' ')" = "SHA256SUMS Stowlark-$version-portable.zip Stowlark-$version-setup.exe " ] ||
  fail "$release holds: $(ls -A "$release" | tr '\n' ' ')"
[ "$(wc -l <"$release/SHA256SUMS")" -eq 2 ] || fail "SHA256SUMS is not two lines"
(cd "$release" && sha256sum --quiet --strict -c SHA256SUMS) || fail "SHA256SUMS does not match"

[ "$(unzip -Z1 "$zip" | tr '\n' ' ')" = "Stowlark.exe README.txt LICENSE.txt " ] ||
  fail "the zip holds: $(unzip -Z1 "$zip" | tr '\n' ' ')"
unzip -p "$zip" Stowlark.exe | cmp - "$program" || fail "the zip's Stowlark.exe is not $program"
unzip -p "$zip" LICENSE.txt | tr -d '\r' | cmp - "$license" || fail "LICENSE.txt is not $license"
for text in README.txt LICENSE.txt; do
  [ "$(unzip -p "$zip" "$text" | grep -vc $'\r$')" -eq 0 ] || fail "$text has lines without CRLF"
done
# README.txt is for Notepad: the user's part of the README, every heading of
# it, as plain text of at most 80 characters a line that points at nothing the
# zip does not hold.
readme=$(unzip -p "$zip" README.txt | tr -d '\r')
root=$(cd "$(dirname "$0")/../.." && pwd)
while read -r heading; do
  grep -qxF "$heading" <<<"$readme" || fail "README.txt lacks the heading '$heading'"
done < <(awk '/^## For those who build it$/ {exit} /^#/ {sub(/^#+ /, ""); gsub(/`|\*\*/, ""); print}' \
  "$root/README.md")
! grep -qxF 'For those who build it' <<<"$readme" || fail "README.txt holds the builders' part"
long=$(awk 'length > 80' <<<"$readme")
[ -z "$long" ] || fail "README.txt has lines over 80 characters: $long"
# Someone holding the zip has no clone to build in.
builds=$(grep -E 'scripts/|cmake|ctest|tools/' <<<"$readme" || true)
[ -z "$builds" ] || fail "README.txt tells of building: $builds"
for markup in '^#' '`' '](' '\*\*' '^ *|' '!\[' 'docs/' '(#'; do
  ! grep -q -- "$markup" <<<"$readme" || fail "README.txt holds Markdown ($markup): $(grep -- "$markup" <<<"$readme" | head -1)"
done
commit_time=$(TZ=UTC date -d "@$(git log -1 --format=%ct)" '+%Y-%m-%d %H:%M')
zip_time=$(unzip -l "$zip" | awk 'NR > 3 && NF == 4 {print $2 " " $3}' | sort -u)
[ "$zip_time" = "$commit_time" ] || fail "the zip's times are $zip_time, the commit's $commit_time"

# The version resource holds each key's name, then its value, in UTF-16.
[ "$(strings -n 1 -el "$setup" | grep -A1 -x ProductVersion | tail -1)" = "$version" ] ||
  fail "the setup program's version resource does not say $version"
"$root/tests/app/check-icon.sh" "$setup" >/dev/null || fail "the setup's icon is not Stowlark's"
# Modern UI unpacks its pictures under these names; NSIS's own are others.
for picture in header:modern-header side:modern-wizard; do
  7zz e -so "$setup" "\$PLUGINSDIR/${picture#*:}.bmp" 2>/dev/null | cmp -s - "$root/installer/${picture%:*}.bmp" ||
    fail "the setup's ${picture#*:}.bmp is not installer/${picture%:*}.bmp"
done
echo "The release files of Stowlark $version passed"

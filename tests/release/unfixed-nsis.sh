#!/usr/bin/env bash
# scripts/release with a makensis that is not Debian's fixed nsis first on
# PATH: it refuses, says why, and leaves the release it made before alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
shims=$(mktemp -d)
trap 'rm -rf "$shims"' EXIT
printf '#!/bin/sh\necho "a makensis of unknown make" >&2\n' >"$shims/makensis"
chmod +x "$shims/makensis"
before=$(cat "$root/build/release/SHA256SUMS")
status=0
said=$(PATH="$shims:$PATH" "$root/scripts/release" 2>&1) || status=$?
[ $status -eq 1 ] || { echo "FAIL: scripts/release ended with $status, not 1: $said" >&2; exit 1; }
grep -q "refused: $shims/makensis is not from Debian's nsis 3.08-3+deb12u1.*CVE-2023-37378" <<<"$said" ||
  { echo "FAIL: scripts/release said: $said" >&2; exit 1; }
[ "$(cat "$root/build/release/SHA256SUMS")" = "$before" ] ||
  { echo "FAIL: the refused release changed build/release" >&2; exit 1; }
echo "scripts/release refuses a makensis that lacks the uninstaller's fix"

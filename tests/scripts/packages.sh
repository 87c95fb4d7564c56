#!/usr/bin/env bash
# The package step the scripts share (ensure_packages), run against stand-ins
# for apt-get, dpkg and dpkg-query first on PATH, and for the kernel's answer
# (KERNEL_RUNS_32BIT), on each kind of machine and mirror: what it installs,
# which foreign architectures it leaves, and which 32-bit Wine follows.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fakes=$work/bin
mkdir -p "$fakes"

# The stand-in machine lives in $FAKE: installed (a package a line), arch (its
# foreign architectures), update-fails (updates left to fail, or "always"),
# updated (once one passed), log (every call). FAKE_I386 is ok, broken (its
# index fails every update, as a mirror mid-sync) or mismatch (its versions
# are not those of their 64-bit twins); FAKE_LISTS says what the lists at
# hand offer before an update passes: all or none.
cat >"$fakes/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE/log"
i386() { grep -qx i386 "$FAKE/arch"; }
case $1 in
  update)
    if i386 && [ "$FAKE_I386" = broken ]; then
      echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      exit 100
    fi
    fails=$(cat "$FAKE/update-fails")
    if [ "$fails" = always ] || [ "$fails" -gt 0 ]; then
      [ "$fails" = always ] || echo $((fails - 1)) >"$FAKE/update-fails"
      echo "Err:1 http://deb.debian.org/debian bookworm InRelease  Connection failed"
      exit 100
    fi
    touch "$FAKE/updated"
    ;;
  install)
    shift
    packages=() simulate=""
    for arg; do case $arg in -s) simulate=1 ;; -*) ;; *) packages+=("$arg") ;; esac; done
    for package in "${packages[@]}"; do
      case $package in
        wine32 | *:i386) i386 && [ "$FAKE_I386" = ok ] && [ -e "$FAKE/updated" ] ;;
        *) [ -e "$FAKE/updated" ] || [ "$FAKE_LISTS" = all ] ;;
      esac || { echo "E: Package '$package' has no installation candidate"; exit 100; }
    done
    [ -n "$simulate" ] || printf '%s\n' "${packages[@]}" >>"$FAKE/installed"
    ;;
  *) exit 100 ;;
esac
EOF
cat >"$fakes/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE/log"
case $1 in
  --print-foreign-architectures) cat "$FAKE/arch" ;;
  --add-architecture) grep -qx "$2" "$FAKE/arch" || echo "$2" >>"$FAKE/arch" ;;
  --remove-architecture)
    if grep -Eqx 'wine32|.*:i386' "$FAKE/installed"; then
      echo "dpkg: error: cannot remove architecture '$2' currently in use by the database" >&2
      exit 2
    fi
    grep -vx "$2" "$FAKE/arch" >"$FAKE/arch.left" || true
    mv "$FAKE/arch.left" "$FAKE/arch"
    ;;
  *) exit 2 ;;
esac
EOF
# dpkg-query -W -f='${Status}' PACKAGE
cat >"$fakes/dpkg-query" <<'EOF'
#!/usr/bin/env bash
grep -qx "${!#}" "$FAKE/installed" && printf 'install ok installed'
EOF
# Run as root, the scripts call these directly; otherwise through sudo, which
# must not take its own PATH.
printf '#!/bin/sh\nexec "$@"\n' >"$fakes/sudo"
chmod +x "$fakes"/*

# shellcheck disable=SC2016 # expanded by the shell that sources common.sh
all=$(bash -c 'source "$1/scripts/common.sh"; printf "%s\n" "${BUILD_PACKAGES[@]}"' _ "$root" | sort | xargs)
no32=$(xargs -n1 <<<"$all" | grep -vx wine32 | xargs)
[ "$no32" != "$all" ] || { echo "FAIL: BUILD_PACKAGES holds no wine32 to decide on" >&2; exit 1; }

passed=0 failed=0
# check CASE WHAT EXPECTED ACTUAL
check() {
  [ "$3" = "$4" ] && return 0
  echo "FAIL: $1: $2 is '$4', not '$3'"
  case_failed=1
}

# machine CASE KERNEL I386 UPDATE-FAILS LISTS ARCH-BEFORE, then what must
# follow: STATUS INSTALLED ARCH-AFTER UPDATES WINE. KERNEL is KERNEL_RUNS_32BIT
# (0: runs 32-bit programs); WINE is wine32_road's answer.
machine() {
  local name=$1 status=0
  export FAKE="$work/${name// /-}"
  mkdir -p "$FAKE"
  : >"$FAKE/installed"
  : >"$FAKE/log"
  echo "$4" >"$FAKE/update-fails"
  printf '%s' "${6:+$6$'\n'}" >"$FAKE/arch"
  set +e
  (
    set -euo pipefail
    export FAKE_I386=$3 FAKE_LISTS=$5 KERNEL_RUNS_32BIT=$2 STOWLARK_APT_PAUSE=0 PATH="$fakes:$PATH"
    unset STOWLARK_WINE32 STOWLARK_APT_TRIES
    source "$root/scripts/common.sh"
    # Debian's 32-bit loader starts where the kernel runs 32-bit programs
    # and wine32 is installed.
    # shellcheck disable=SC2317 # called by wine32_road
    can_run_32bit() { kernel_runs_32bit && installed wine32; }
    ensure_packages "${BUILD_PACKAGES[@]}"
    echo "Wine: $(wine32_road)"
  ) >"$FAKE/out" 2>&1
  status=$?
  set -e
  case_failed=""
  check "$name" "the end" "$7" "$status"
  check "$name" "what was installed" "$8" "$(sort "$FAKE/installed" | xargs)"
  check "$name" "the foreign architectures left" "$9" "$(xargs <"$FAKE/arch")"
  check "$name" "the updates tried" "${10}" "$(grep -c '^apt-get update' "$FAKE/log")"
  check "$name" "the Wine chosen" "${11}" "$(sed -n 's/^Wine: //p' "$FAKE/out")"
  local said=0
  [ "${11}" = packages ] && said=1
  check "$name" "the lines saying the 32-bit packages cannot be installed" $said \
    "$(grep -c 'cannot be installed from the package lists' "$FAKE/out")"
  if [ "$2" = 1 ]; then
    check "$name" "the calls that add an architecture" 0 "$(grep -c -- '--add-architecture' "$FAKE/log")"
  fi
  if [ "$7" = 1 ]; then
    grep -q "^Cannot install .*: the package lists could not be brought up to date" "$FAKE/out" ||
      check "$name" "what it said" "Cannot install ..." "$(tail -n 1 "$FAKE/out")"
  fi
  if [ -n "$case_failed" ]; then
    failed=$((failed + 1))
    sed 's/^/    /' "$FAKE/out"
  else
    passed=$((passed + 1))
    echo "ok: $name"
  fi
}

# Case, kernel, i386, update fails, lists, architectures before; then the end,
# what is installed, the architectures left, the updates tried, the Wine.
machine "32-bit runs and installs" 0 ok 0 all "" 0 "$all" i386 1 debian
machine "32-bit runs, the i386 index mid-sync" 0 broken 0 all "" 0 "$no32" "" 4 packages
machine "32-bit runs, i386 versions unlike their twins, i386 there before" 0 mismatch 0 all i386 0 "$no32" i386 1 packages
machine "32-bit refused" 1 ok 0 all "" 0 "$no32" "" 1 kernel
machine "an update that fails twice, then passes" 0 ok 2 all "" 0 "$all" i386 3 debian
machine "updates keep failing, the lists at hand suffice" 0 ok always all "" 0 "$no32" "" 4 packages
machine "updates keep failing, the lists at hand do not" 0 ok always none "" 1 "" "" 4 ""

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

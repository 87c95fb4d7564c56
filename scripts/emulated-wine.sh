# Sourced by common.sh. Where the kernel refuses 32-bit programs, the shipped
# 32-bit Stowlark.exe still runs: Debian trixie's 32-bit Wine under qemu-user,
# in a minimal trixie tree of its own, kept in a cache folder outside the
# clone. The host's apt sources and packages are left alone.

EMULATED_CACHE=${STOWLARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/stowlark}
EMULATED_ROOT="$EMULATED_CACHE/wine32-trixie"
# Changed whenever the recipe below changes, so that an old tree is rebuilt.
EMULATED_RECIPE=1

emulated_fail() {
  echo "The emulated 32-bit Wine could not be set up: $*" >&2
  return 1
}

# Undoes every mount below the tree, deepest first, whoever made it: one left
# behind by a killed run would otherwise be deleted through.
unmount_emulated() {
  local point
  while read -r point; do
    umount "$point" 2>/dev/null || umount -l "$point" 2>/dev/null || true
  done < <(awk -v root="$EMULATED_ROOT/" 'index($2, root) == 1 {print $2}' /proc/mounts | sort -r)
}

bind_into_tree() {
  local from=$1 to="$EMULATED_ROOT$1"
  [ -e "$from" ] || return 0
  mkdir -p "$to"
  mount --bind "$from" "$to"
}

in_tree() { chroot "$EMULATED_ROOT" env -u LD_PRELOAD PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

# The same archive may be mid-sync for a while: tried as the host's apt is.
in_tree_update() {
  local try
  for try in $(seq "$APT_TRIES"); do
    in_tree apt-get update && return 0
    [ "$try" -lt "$APT_TRIES" ] && sleep "$APT_PAUSE"
  done
  return 1
}

# QEMU runs the 32-bit loader, which says its version (it does not under the
# wrapper's WINELOADERNOEXEC); Wine needs /proc even for that.
emulated_wine_works() {
  [ "$(cat "$EMULATED_ROOT/.stowlark-recipe" 2>/dev/null)" = "$EMULATED_RECIPE" ] || return 1
  local proc="$EMULATED_ROOT/proc" mounted="" works=0
  mountpoint -q "$proc" || { mount -t proc proc "$proc" && mounted=1; }
  in_tree qemu-i386 /usr/lib/wine/wine.i386 --version >/dev/null 2>&1 || works=1
  if [ -n "$mounted" ]; then umount "$proc"; fi
  return $works
}

# The Debian archive this machine's own apt configuration names for its
# release (not its -security or -updates suites), so that a local mirror or a
# proxy keeps working and no script names a host.
debian_archive() {
  local sources=(/etc/apt/sources.list.d/*.sources) lists=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  {
    [ -e "${sources[0]}" ] && awk '
      function flush() { if (deb && enabled && release && uri != "") print uri; deb = release = 0; enabled = 1; uri = "" }
      BEGIN { enabled = 1 }
      FNR == 1 || /^[ \t]*$/ { flush() }
      $1 == "Types:" { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
      $1 == "Enabled:" && tolower($2) == "no" { enabled = 0 }
      $1 == "URIs:" { uri = $2 }
      $1 == "Suites:" { for (i = 2; i <= NF; i++) if ($i !~ /-/) release = 1 }
      END { flush() }' "${sources[@]}"
    for list in "${lists[@]}"; do
      [ -e "$list" ] && awk '$1 == "deb" {
        i = 2
        if ($2 ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
        if ($(i + 1) !~ /-/) print $i }' "$list"
    done
  } | head -n 1
}

build_emulated_wine() {
  local log="$EMULATED_CACHE/setup.log" lib="$EMULATED_ROOT/opt/stowlark"
  echo "Setting up the emulated 32-bit Wine in $EMULATED_ROOT (once; see $log)"
  unmount_emulated
  rm -rf --one-file-system "$EMULATED_ROOT"
  mkdir -p "$EMULATED_CACHE"
  local archive
  archive=$(debian_archive)
  [ -n "$archive" ] || { emulated_fail "no Debian archive found in /etc/apt/sources.list(.d)"; return 1; }
  debootstrap --variant=minbase trixie "$EMULATED_ROOT" "$archive" >"$log" 2>&1 ||
    { tail -20 "$log" >&2; emulated_fail "debootstrap of Debian trixie failed"; return 1; }
  mount -t proc proc "$EMULATED_ROOT/proc"
  {
    in_tree dpkg --add-architecture i386 &&
      in_tree_update &&
      in_tree env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        wine wine64 wine32:i386 qemu-user fonts-wine &&
      in_tree dpkg-divert --rename --divert /usr/lib/wine/wine.i386 --add /usr/lib/wine/wine
  } >>"$log" 2>&1 || { tail -20 "$log" >&2; unmount_emulated; emulated_fail "installing Wine in the tree failed"; return 1; }
  unmount_emulated
  # argv[0] stays the loader's own path: Wine starts every new process through
  # it, and so each one goes through QEMU too.
  cat >"$EMULATED_ROOT/usr/lib/wine/wine" <<'EOF'
#!/bin/sh
export WINELOADERNOEXEC=1
export LD_PRELOAD='/opt/stowlark/$LIB/fault-number.so'
exec /usr/bin/qemu-i386 -0 /usr/lib/wine/wine /usr/lib/wine/wine.i386 "$@"
EOF
  chmod +x "$EMULATED_ROOT/usr/lib/wine/wine"
  # The 64-bit programs that inherit LD_PRELOAD (sh, QEMU, wineserver) find
  # an empty library of their own kind under $LIB.
  mkdir -p "$lib/lib/i386-linux-gnu" "$lib/lib/x86_64-linux-gnu"
  gcc -m32 -shared -nostdlib -ffreestanding -fPIC -O2 -o "$lib/lib/i386-linux-gnu/fault-number.so" \
    "$STOWLARK_ROOT/scripts/fault-number.c" "$EMULATED_ROOT/usr/lib/i386-linux-gnu/libc.so.6" &&
    gcc -shared -nostdlib -o "$lib/lib/x86_64-linux-gnu/fault-number.so" -x c /dev/null ||
    { emulated_fail "building the fault-number library failed"; return 1; }
  echo "$EMULATED_RECIPE" >"$EMULATED_ROOT/.stowlark-recipe"
  emulated_wine_works || emulated_fail "the emulated Wine does not start"
}

# Builds the tree if it is missing or broken, mounts what Wine needs into it,
# and puts commands on PATH that run Wine's own inside it, in the caller's
# folder. The build folder is mounted at its own path, so paths are the same
# inside and out.
use_emulated_wine() {
  ensure_packages debootstrap
  emulated_wine_works || build_emulated_wine || return 1
  unmount_emulated
  mount -t proc proc "$EMULATED_ROOT/proc"
  local dir
  for dir in /dev /dev/pts /dev/shm /sys /tmp/.X11-unix "$STOWLARK_ROOT/build"; do
    bind_into_tree "$dir" || { unmount_emulated; emulated_fail "cannot mount $dir into the tree"; return 1; }
  done
  local shims="$EMULATED_CACHE/bin" name
  mkdir -p "$shims"
  for name in wine wineboot wineserver winepath; do
    printf '#!/bin/sh\nexec chroot "%s" /usr/bin/env PATH=/usr/bin:/bin /bin/sh -c '\''cd "$0" && exec "$@"'\'' "$PWD" %s "$@"\n' \
      "$EMULATED_ROOT" "$name" >"$shims/$name"
    chmod +x "$shims/$name"
  done
  # Where the tree is, for tests that must mount into its view of a folder.
  export PATH="$shims:$PATH" WINEARCH=win32 STOWLARK_WINE_ROOT="$EMULATED_ROOT"
  WINE_FONTS="$EMULATED_ROOT/usr/share/wine/fonts"
}

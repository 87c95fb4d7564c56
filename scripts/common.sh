# Shared by scripts/test and scripts/run: installs what is missing and runs
# Windows programs under Wine on a display of their own.

STOWLARK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$STOWLARK_ROOT/scripts/emulated-wine.sh"
# Wine stores file names in the locale's encoding: under a plain C locale a
# name outside ASCII could not be created at all.
export LC_ALL=C.UTF-8
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# Wine must never try to fetch its Mono or Gecko add-ons.
export WINEDLLOVERRIDES="mscoree,mshtml="

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Whether this kernel starts 32-bit programs at all; some refuse them ("Exec
# format error"), and Debian's 32-bit Wine is one. Asked of a 93-byte 32-bit
# program that only exits, so the answer needs nothing installed; made in the
# build folder, since /tmp may forbid running anything at all.
kernel_runs_32bit() {
  [ -n "${KERNEL_RUNS_32BIT:-}" ] && return "$KERNEL_RUNS_32BIT"
  local probe
  mkdir -p "$STOWLARK_ROOT/build"
  probe=$(mktemp "$STOWLARK_ROOT/build/elf32-probe.XXXXXX") || return 1
  printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0\xb8\x01\0\0\0\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  KERNEL_RUNS_32BIT=0
  "$probe" 2>/dev/null || KERNEL_RUNS_32BIT=1
  rm -f "$probe"
  return "$KERNEL_RUNS_32BIT"
}

# A mirror caught mid-sync answers "File has unexpected size" for a while, and
# a dropped connection fails one fetch: each apt step is tried a few times.
APT_TRIES=${STOWLARK_APT_TRIES:-4}
APT_PAUSE=${STOWLARK_APT_PAUSE:-20}

apt_retrying() {
  local try log
  log=$(mktemp)
  for try in $(seq "$APT_TRIES"); do
    if as_root env DEBIAN_FRONTEND=noninteractive "$@" 2>&1 | tee "$log"; [ "${PIPESTATUS[0]}" -eq 0 ]; then
      rm -f "$log"
      return 0
    fi
    if [ "$try" -lt "$APT_TRIES" ]; then
      echo "$* failed (try $try of $APT_TRIES); trying again in $APT_PAUSE s."
      sleep "$APT_PAUSE"
    fi
  done
  APT_FAILURE=$(grep -E '^(E|Err):' "$log" | head -n 6)
  [ -n "$APT_FAILURE" ] || APT_FAILURE=$(tail -n 6 "$log")
  rm -f "$log"
  return 1
}

is_32bit_package() { case $1 in wine32 | *:i386) return 0 ;; esac; return 1; }

# Whether apt would install all the packages named, as its lists stand.
apt_offers() { as_root apt-get install -s -q "$@" >/dev/null 2>&1; }

# Set by ensure_packages to the 32-bit packages it passed over because apt
# could not install them: a stale or mid-sync i386 index, versions that do not
# match their 64-bit twins. The 32-bit programs then run under the emulated
# Wine, as where the kernel refuses them.
UNINSTALLABLE_32BIT=""
# Set by ensure_packages when it added the i386 architecture itself.
ADDED_I386=""

# Takes back the i386 architecture this run added, once nothing of it is
# installed: left behind, its broken index would fail every later apt-get
# update. dpkg itself refuses while a package of it is in its database. apt
# reads no list of an architecture it is not configured for, and the next
# apt-get update deletes them, so the lists are not fetched again.
forget_added_i386() {
  [ -n "$ADDED_I386" ] || return 0
  as_root dpkg --remove-architecture i386 2>/dev/null || return 0
  ADDED_I386=""
}

# Installs the Debian packages named that are not there yet. Where the kernel
# refuses 32-bit programs, 32-bit packages are left out (they could never
# run; the 32-bit tier then uses the emulated Wine), and so is the i386
# architecture; where apt cannot install them, they are left out too. An
# index that stays broken is passed over when every package needed can still
# be installed from the lists at hand.
ensure_packages() {
  local missing=() missing32=() pkg updated=1
  for pkg in "$@"; do
    if is_32bit_package "$pkg"; then
      if ! kernel_runs_32bit || [ -n "$UNINSTALLABLE_32BIT" ]; then continue; fi
      installed "$pkg" || missing32+=("$pkg")
    else
      installed "$pkg" || missing+=("$pkg")
    fi
  done
  local wanted=("${missing[@]}" "${missing32[@]}")
  [ ${#wanted[@]} -eq 0 ] && return 0
  echo "Installing: ${wanted[*]}"
  # Not grep -q: stopping at the match could fail dpkg's write under pipefail,
  # and an architecture that was there would be taken back off as this run's.
  if [ ${#missing32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
    as_root dpkg --add-architecture i386
    ADDED_I386=1
  fi
  if ! apt_retrying apt-get update -q; then
    updated=""
    echo "apt-get update failed $APT_TRIES times:"
    echo "$APT_FAILURE"
  fi
  if [ ${#missing32[@]} -gt 0 ] && ! apt_offers "${wanted[@]}" && apt_offers "${missing[@]}"; then
    UNINSTALLABLE_32BIT="${missing32[*]}"
    echo "The 32-bit packages ($UNINSTALLABLE_32BIT) cannot be installed from the package lists: installing the rest; 32-bit programs will run under the emulated 32-bit Wine."
    forget_added_i386
    wanted=("${missing[@]}")
    [ ${#wanted[@]} -eq 0 ] && return 0
  fi
  if [ -z "$updated" ]; then
    if ! apt_offers "${wanted[@]}"; then
      echo "Cannot install ${wanted[*]}: the package lists could not be brought up to date, and the lists at hand do not offer them." >&2
      forget_added_i386
      return 1
    fi
    echo "Going on: every package needed can be installed from the lists at hand."
  fi
  # With recommends: Wine takes its fonts and X extensions from them.
  if ! apt_retrying apt-get install -y -q "${wanted[@]}"; then
    echo "Cannot install ${wanted[*]}:" >&2
    echo "$APT_FAILURE" >&2
    forget_added_i386
    return 1
  fi
}

BUILD_PACKAGES=(g++ cmake make libgtest-dev googletest g++-mingw-w64-i686-posix fonts-wine
  g++-mingw-w64-x86-64-posix wine wine32 wine64 xvfb xauth)

# Some kernels cannot start 32-bit programs at all (a sandbox's may answer
# "Exec format error"), and Debian's 32-bit Wine is one. There the 32-bit
# programs run under an emulated 32-bit Wine (emulated-wine.sh).
can_run_32bit() { kernel_runs_32bit && /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Which 32-bit Wine the 32-bit programs run under: Debian's own ("debian"), or
# the emulated one, because STOWLARK_WINE32=emulated asks for it ("asked"),
# because ensure_packages could not install the 32-bit packages ("packages"),
# or because the kernel refuses 32-bit programs ("kernel").
wine32_road() {
  if [ "${STOWLARK_WINE32:-}" = emulated ]; then
    echo asked
  elif [ -n "$UNINSTALLABLE_32BIT" ]; then
    echo packages
  elif can_run_32bit; then
    echo debian
  else
    echo kernel
  fi
}

native_wine32() { [ "$(wine32_road)" = debian ]; }

use_wine32() {
  local road
  road=$(wine32_road)
  if [ "$road" = debian ]; then
    echo "32-bit programs run under Debian's own 32-bit Wine ($(wine --version))."
    return 0
  fi
  use_emulated_wine || return 1
  local emulated="run under Debian trixie's 32-bit Wine 10 emulated by qemu-user."
  case $road in
    asked) echo "STOWLARK_WINE32=emulated: 32-bit programs $emulated" ;;
    packages) echo "The 32-bit packages could not be installed ($UNINSTALLABLE_32BIT): 32-bit programs $emulated" ;;
    kernel) echo "This kernel refuses 32-bit programs: they $emulated" ;;
  esac
}

use_wine64() {
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  # Debian's wine script always picks the 32-bit loader when it is installed.
  local shims="$STOWLARK_ROOT/build/wine64-bin" name
  mkdir -p "$shims"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/$name"
    chmod +x "$shims/$name"
  done
  export PATH="$shims:$PATH"
}

XVFB_PID=""
WINE_STARTED=""

# Starts Xvfb on the first free display number and exports DISPLAY. A number
# can look free here and still be taken (another file system's /tmp, an
# abstract socket), so a server that exits at once moves on to the next.
start_display() {
  local n
  for n in $(seq 90 190); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    local tries=0
    while kill -0 "$XVFB_PID" 2>/dev/null && [ $tries -lt 100 ]; do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      tries=$((tries + 1))
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  echo "Xvfb did not start on any display from :90 to :190" >&2
  return 1
}

# Creates the prefix if needed and keeps one wineserver for the whole run.
# A second argument sets the screen's density in a new prefix (96 if not).
start_wine() {
  export WINEPREFIX="$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    local log="$WINEPREFIX/created.log"
    if ! wineboot -i >"$log" 2>&1 || ! set_windows_defaults >>"$log" 2>&1 ||
      { [ -n "${2:-}" ] && ! set_density "$2" >>"$log" 2>&1; }; then
      echo "Could not create the Wine prefix $WINEPREFIX:" >&2
      cat "$log" >&2
      return 1
    fi
    wineserver -w
  fi
  # Debian's Wine never reads its own fonts (Tahoma, MS Sans Serif) from
  # /usr/share/wine/fonts; Windows keeps them in its Fonts folder, and so
  # does every prefix here.
  cp -n "${WINE_FONTS:-/usr/share/wine/fonts}"/* "$WINEPREFIX/drive_c/windows/Fonts/"
  wineserver -p
  WINE_STARTED=1
  # Wine's background services start with the first program and inherit its
  # output; started here on /dev/null, they cannot hold a test runner's pipe.
  # Their start may report failure for reasons of their own; the tests that
  # follow show whether Wine runs.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || echo "Note: Wine's first program in $WINEPREFIX ended with an error"
}

# Wine shows keyboard focus cues always; Windows, by default, only once the
# keyboard is used. A prefix takes Wine's preferences with that bit cleared.
set_windows_defaults() {
  wine reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask /t REG_BINARY \
    /d 1000028012000000 /f
}

# Wine 8 reads the screen's density from the user's key, Wine 10 from the
# machine's hardware profile first: both are set.
set_density() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f &&
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
      /v LogPixels /t REG_DWORD /d "$1" /f
}

# Ends this run's Wine and undoes the emulated Wine's mounts, if any.
stop_wine() {
  if [ -n "$WINE_STARTED" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  WINE_STARTED=""
  unmount_emulated
}

stop_all() {
  stop_wine
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}

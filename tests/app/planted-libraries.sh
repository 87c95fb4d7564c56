#!/usr/bin/env bash
# Runs Stowlark.exe from a folder that also holds a library of each name the
# program imports or loads at run time (other than the Known DLLs), each of
# which leaves a mark and ends the process if it is ever loaded: the window,
# a screen reader's query and a quiet backup must all run without a mark.
# Wine, unlike Windows, prefers its own built-in libraries to a file beside
# the program; WINEDLLOVERRIDES puts Windows' search order back for these
# names. Needs a running Wine prefix (WINEPREFIX) and a display.
# Left out, as Wine's own libraries, not the program, load them from its
# folder: uxtheme.dll (Wine loads it just after its display driver as any
# windowed program starts), and the window's test that opens a message box
# (Wine's uxtheme then loads msimg32.dll).
# Usage: planted-libraries.sh BIN_FOLDER (where Stowlark.exe, planted.dll and
# stowlark_e2e_tests.exe are).
set -euo pipefail
bin=$(realpath "$1")
folder=$bin/planted
# The library the program imported until GdiAlphaBlend, the screen readers'
# one, the picture decoder's (through COM), and the one the compiler's start-up
# code asks for by name.
names=(msimg32 oleacc windowscodecs libgcc_s_dw2-1)

rm -rf "$folder"
mkdir "$folder"
cp "$bin/Stowlark.exe" "$folder/"
for name in "${names[@]}"; do cp "$bin/planted.dll" "$folder/$name.dll"; done

overrides=$(IFS=,; echo "${names[*]}")=n,b
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$overrides"
# The test program stays in its own folder, away from the planted files, and
# starts the program from theirs.
export STOWLARK_PROGRAM_FOLDER=$(winepath -w "$folder")
log=$folder/tests.log
wine "$bin/stowlark_e2e_tests.exe" --gtest_filter="\
WindowTest.AltSpaceOpensAMenuThatMinimisesTheWindow:\
AccessibilityTest.EveryCommandAndTextIsNamedWithItsRoleStateAndPlace:\
CommandLineTest.APreviewChangesNothingAndListsWhatTheRunThenDoes" 2>&1 | tee "$log" || true

failed=0
marks=$(cd "$folder" && ls -- *.mark 2>/dev/null || true)
if [ -n "$marks" ]; then
  echo "FAIL: Stowlark.exe loaded planted libraries: $marks"; failed=1
fi
if ! grep -q '^\[  PASSED  \] 3 tests' "$log"; then
  echo "FAIL: the program did not run its three tests to the end beside the planted libraries"
  failed=1
fi
[ $failed -eq 0 ] && echo "No planted library was loaded: ${names[*]}"
exit $failed

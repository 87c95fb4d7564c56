#!/usr/bin/env bash
# Runs Stowlark.exe from a folder that also holds a library of each name the
# program imports or loads at run time (other than the Known DLLs), each of
# which leaves a mark and ends the process if it is ever loaded: the window,
# a screen reader's query, a quiet backup and a picture shown in the Restore
# dialog must all run without a mark.
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
failed=0
# Plants `names` beside the program, runs the tests of `filter`, and fails
# on any mark or a test that did not pass.
run_beside() {
  local filter=$1 count=$2
  shift 2
  local names=("$@")
  rm -rf "$folder"
  mkdir "$folder"
  cp "$bin/Stowlark.exe" "$folder/"
  for name in "${names[@]}"; do cp "$bin/planted.dll" "$folder/$name.dll"; done
  local overrides
  overrides=$(IFS=,; echo "${names[*]}")=n,b
  # The test program stays in its own folder, away from the planted files,
  # and starts the program from theirs.
  STOWLARK_PROGRAM_FOLDER=$(winepath -w "$folder") \
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$overrides" \
    wine "$bin/stowlark_e2e_tests.exe" --gtest_filter="$filter" 2>&1 | tee "$folder/tests.log" || true
  local marks
  marks=$(cd "$folder" && ls -- *.mark 2>/dev/null || true)
  if [ -n "$marks" ]; then
    echo "FAIL: Stowlark.exe loaded planted libraries: $marks"; failed=1
  elif ! grep -q "^\[  PASSED  \] $count test" "$folder/tests.log"; then
    echo "FAIL: the program did not run its $count test(s) to the end beside the planted libraries"
    failed=1
  else
    echo "No planted library was loaded: ${names[*]}"
  fi
}

# The library the program imported until GdiAlphaBlend, the screen readers'
# one, the picture decoder's (through COM), and the one the compiler's
# start-up code asks for by name.
run_beside "WindowTest.AltSpaceOpensAMenuThatMinimisesTheWindow:\
AccessibilityTest.EveryCommandAndTextIsNamedWithItsRoleStateAndPlace:\
CommandLineTest.APreviewChangesNothingAndListsWhatTheRunThenDoes" 3 \
  msimg32 oleacc windowscodecs libgcc_s_dw2-1
# GDI+, which the Restore dialog loads to show a picture; without msimg32,
# which Wine's uxtheme loads from the program's folder to draw a dialog.
run_beside "RestoreTest.TheDialogShowsAPictureByItsContentWhateverItsName" 1 \
  gdiplus oleacc windowscodecs libgcc_s_dw2-1
exit $failed

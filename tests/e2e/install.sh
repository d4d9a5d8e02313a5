#!/usr/bin/env bash
# `cmake --install` lays out a program folder a new user can start from: the executable and its
# modules, every file of kit/, and the empty data root; never a Kelto.ini or a developer's
# notebooks.
# Usage: install.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin install 120
BUILD_DIR=$(cd "$PROGRAM_DIR/.." && pwd)
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
[ -f "$BUILD_DIR/cmake_install.cmake" ] || fail "$BUILD_DIR is not a build folder"

cmake --install "$BUILD_DIR" --prefix "$WORK/prefix" >"$WORK/install.log" 2>&1 || { cat "$WORK/install.log"; fail "cmake --install failed"; }
INSTALLED="$WORK/prefix/kelto"

[ -x "$INSTALLED/kelto" ] || fail "no executable in the installed program folder"
[ -d "$INSTALLED/data" ] || fail "no data folder in the installed program folder"
[ -z "$(ls -A "$INSTALLED/data")" ] || fail "the installed data folder is not empty: $(ls -A "$INSTALLED/data")"
[ ! -e "$INSTALLED/Kelto.ini" ] || fail "a Kelto.ini was installed"
while read -r f; do
  cmp -s "$SOURCE_DIR/kit/$f" "$INSTALLED/$f" || fail "$f is not installed as shipped"
done < <(cd "$SOURCE_DIR/kit" && find . -type f)

# The modules lie beside the executable, which finds them there: a video from the installed folder.
for module in video net; do
  [ -f "$INSTALLED/libkelto_$module.so" ] || fail "the module libkelto_$module.so is not installed"
done
e2e_sample_notebook "$WORK/notebook"
"$INSTALLED/kelto" --export-video "$WORK/clip.avi" --notebook "$WORK/notebook" >"$WORK/video.log" 2>&1 ||
  { cat "$WORK/video.log"; fail "the installed program could not write a video"; }
[ -s "$WORK/clip.avi" ] || fail "the installed program wrote no video"
step PASS

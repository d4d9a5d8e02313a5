#!/usr/bin/env bash
# The same unpacked package in a folder that can be written (a copy on a USB stick): the first
# notebook and Kelto.ini go beside the program, in the layout the program has always had, and
# nothing into the user's folders. The weather and a video export work from there, through the
# modules beside the program.
# Usage: package_portable.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/package.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin package-portable 240
trap e2e_package_cleanup EXIT

e2e_unpack_package "$PROGRAM_DIR"
e2e_user_home
e2e_start_display

KELTO_EXE="$PKG_PROGRAM/kelto"
expect_where portable "$PKG_PROGRAM/Kelto.ini" "$PKG_PROGRAM/data"

step "creating the first notebook"
e2e_first_notebook "$KELTO_EXE" "$PKG_PROGRAM/data" e2enote "$PKG_PROGRAM/Kelto.ini"
[ ! -e "$XDG_CONFIG_HOME/kelto" ] || fail "a portable program wrote into the configuration folder"
[ ! -e "$HOME/Documents" ] || fail "a portable program made a documents folder"
import -window root "$SHOT_OUT"
e2e_package_jobs "$KELTO_EXE" "$PKG_PROGRAM/Kelto.ini" "$PKG_PROGRAM/Weather.ini" "$PKG_PROGRAM/data"
[ ! -e "$XDG_CONFIG_HOME/kelto" ] || fail "a portable program wrote into the configuration folder"
step "PASS (screenshot $SHOT_OUT)"

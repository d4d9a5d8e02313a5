#!/usr/bin/env bash
# The animation editor in the real window: opened from the edit menu on a sample notebook, it
# plays the frames to the last one at the speed typed in, then the first frame is dragged with a
# real mouse (the picture follows the pointer while the button is held) and the dialog is closed:
# the first photo day's file holds the moved alignment, the days only played hold none, and
# Kelto.ini keeps the speed.
# Usage: animation.sh <programFolder> <toolsDir>. Screenshots go to $KELTO_E2E_SHOTS when set.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin animation 180
SHOTS=${KELTO_E2E_SHOTS:-$WORK}

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/sample"
e2e_sample_notebook "$NOTEBOOK"
PHOTOS=($(cd "$NOTEBOOK" && ls ./*.jpg | sort))
[ "${#PHOTOS[@]}" -gt 2 ] || fail "the sample notebook has too few photo days"
FIRST_DAT="$NOTEBOOK/$(basename "${PHOTOS[0]}" .jpg).dat"
SECOND_DAT="$NOTEBOOK/$(basename "${PHOTOS[1]}" .jpg).dat"

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
timeout 20 xdotool search --sync --onlyvisible --name Kelto >/dev/null || fail "no Kelto window"
MAIN=$(focus 'Kelto\[sample\]' 50) || fail "the notebook did not open"

step "edit menu: animation editor"
menu_command "$MAIN" e a
DLG=$(focus 'アニメーション編集' 30) || fail "the animation editor did not open"
eval "$(xdotool getwindowgeometry --shell "$DLG")"
DX=$X
DY=$Y
step "editor at $DX,$DY (${WIDTH}x${HEIGHT})"

# pixel X Y: the screen's colour at dialog point (X, Y).
pixel() {
  import -window root "$WORK/now.png"
  convert "$WORK/now.png" -format "%[pixel:p{$((DX + $1)),$((DY + $2))}]" info:
}
# The thumbnails (y 289) are drawn only while the editor is stopped; the dialog's own
# background is at its corner.
thumbnails_shown() { [ "$(pixel 172 319)" != "$(pixel 6 6)" ]; }
thumbnails_hidden() { ! thumbnails_shown; }
click() { timeout 10 xdotool mousemove --sync $((DX + $1)) $((DY + $2)) click 1; }

wait_until 10 thumbnails_shown || fail "the stopped editor shows no thumbnails"
step "speed 10, first frame, start"
click 377 163
timeout 10 xdotool key ctrl+a
timeout 10 xdotool type --delay 40 "10"
click 62 375
click 404 199
wait_until 20 thumbnails_hidden || fail "the playback did not start"
import -window root "$SHOTS/animation-playing.png"
wait_until 60 thumbnails_shown || fail "the playback did not end"
# Stopped on the last frame: the place of the next frame's thumbnail is empty.
[ "$(pixel 268 319)" != "$(pixel 172 319)" ] || fail "the playback did not stop on the last frame"

step "drag the first frame by (40, 20)"
click 62 375
wait_until 10 thumbnails_shown || fail "the first frame is not shown"
# patch NAME X Y: the screen's 60 x 24 pixels at dialog point (X, Y), the pot's rim and soil.
patch() {
  import -window root "$WORK/now.png"
  convert "$WORK/now.png" -crop "60x24+$((DX + $2))+$((DY + $3))" +repage "$WORK/$1.png"
}
patch before 120 210
timeout 10 xdotool mousemove --sync $((DX + 176)) $((DY + 136)) mousedown 1
for i in 1 2 3 4 5 6 7 8; do
  timeout 10 xdotool mousemove --sync $((DX + 176 + 5 * i)) $((DY + 136 + 5 * i / 2))
done
follows() {
  patch held 160 230
  [ "$(compare -metric AE -fuzz 3% "$WORK/before.png" "$WORK/held.png" null: 2>&1)" = 0 ]
}
wait_until 10 follows || fail "the picture does not follow the pointer while the button is held"
import -window root "$SHOTS/animation-drag.png"
timeout 10 xdotool mouseup 1

step "close"
timeout 10 xdotool key Escape
wait_until 20 gone 'アニメーション編集' || fail "the editor did not close"
kill -0 "$KELTO_PID" 2>/dev/null || fail "the program ended"

triming() { iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -F= -v key="$2" '
  /^\[/ { sec = tolower($0); next } sec == "[triming]" && $1 == key { print $2 }'; }
# The frame showed the whole photo (one unit a screen pixel): the drag moved its centre by (40, 20).
[ "$(triming "$FIRST_DAT" Position)" = "120,100" ] ||
  fail "the first day holds Position '$(triming "$FIRST_DAT" Position)', not 120,100"
[ "$(triming "$FIRST_DAT" Size)" = "320,240" ] || fail "the first day's Size is '$(triming "$FIRST_DAT" Size)'"
[ -z "$(triming "$SECOND_DAT" Position)" ] || fail "the playback wrote an alignment into $SECOND_DAT"
SPEED=$(iconv -f CP932 -t UTF-8 "$WORK/prog/Kelto.ini" | tr -d '\r' | awk -F= '
  /^\[/ { sec = tolower($0); next } sec == "[animation]" && $1 == "Speed" { print $2 }')
[ "$SPEED" = 10 ] || fail "Kelto.ini keeps the speed '$SPEED', not 10"

step "automatic alignment from the command line"
LANG=ja_JP.UTF-8 QT_QPA_PLATFORM=offscreen timeout 120 "$WORK/prog/kelto" --auto-align --notebook "$NOTEBOOK" \
  >"$WORK/auto.log" 2>&1 || fail "--auto-align failed: $(tail -3 "$WORK/auto.log")"
grep -q '個のフレームを自動で位置合わせしました' "$WORK/auto.log" || fail "--auto-align told no result"
[ "$(triming "$FIRST_DAT" Position)" = "120,100" ] || fail "--auto-align moved the first day, the one aligned by hand"
[ -n "$(triming "$SECOND_DAT" Position)" ] || fail "--auto-align stored nothing for the second day"
step "done"

#!/usr/bin/env bash
# A folder of photos through the real menu and folder dialog: the photos are taken in name
# order, the first portrait photo opens the rotation dialog while the progress dialog is shown
# (kept as a screenshot), and the run ends with its summary.
# Usage: bulk_import.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
e2e_begin bulk_import 150
PROGRESS_SHOT=${KELTO_E2E_PROGRESS_SHOT:-/tmp/kelto-e2e-bulk-progress.png}
command -v exiftool >/dev/null || fail "exiftool is missing"

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/nb"
mkdir -p "$NOTEBOOK"
printf '[Data]\r\nStartDate=%s\r\nKindName=photo\r\n' "$(today_as %Y/%m/01)" >"$NOTEBOOK/Kelto.dat"
PHOTOS="$WORK/photos"
mkdir -p "$PHOTOS"
for d in 01 02 03; do
  convert -size 800x600 xc:green -quality 92 "$PHOTOS/IMG_$d.JPG"
  exiftool -q -overwrite_original -IFD0:ModifyDate="$(today_as %Y:%m):$d 09:30:00" "$PHOTOS/IMG_$d.JPG"
done
convert -size 600x800 xc:red -quality 92 "$PHOTOS/IMG_04.jpg"
exiftool -q -overwrite_original -IFD0:ModifyDate="$(today_as %Y:%m):04 09:30:00" "$PHOTOS/IMG_04.jpg"
convert -size 80x60 xc:blue "$PHOTOS/ignored.png"

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
MAIN=$(focus 'Kelto\[nb\]' 50) || fail "the notebook did not open"

step "file menu, bulk import"
menu_command "$MAIN" f f
focus '写真画像一括読取フォルダー指定' 20 >/dev/null || fail "the folder dialog did not open"
timeout 10 xdotool type --delay 20 "$PHOTOS"
timeout 10 xdotool key Return

ROTATE=$(focus '画像回転' 30) || fail "the rotation dialog did not open for the portrait photo"
PROGRESS=$(xdotool search --onlyvisible --name '写真画像一括取込中' | head -1)
[ -n "$PROGRESS" ] || fail "the progress dialog is not shown"
# The rotation dialog opens over the progress dialog: moved aside, the screen shows both.
timeout 10 xdotool windowmove --sync "$ROTATE" 500 420 || true
painted() {
  import -window root "$PROGRESS_SHOT" 2>/dev/null || return 1
  eval "$(xdotool getwindowgeometry --shell "$PROGRESS")"
  [ "$(convert "$PROGRESS_SHOT" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" -format '%[fx:mean>0.2]' info:)" = 1 ]
}
wait_until 20 painted || fail "the progress dialog is not painted (screenshot $PROGRESS_SHOT)"
step "progress dialog shown (screenshot $PROGRESS_SHOT)"
# The clockwise button, then OK, at their places in the dialog's client area: the choice only
# selects, OK takes it.
timeout 10 xdotool mousemove --window "$ROTATE" --sync 384 162 click 1
timeout 10 xdotool mousemove --window "$ROTATE" --sync 384 286 click 1
wait_until 20 gone '画像回転' || fail "the rotation dialog did not close on clockwise and OK"

SUMMARY=$(focus '^Kelto$' 30) || fail "no summary at the end of the run"
timeout 10 xdotool key Return
all_written() { for d in 01 02 03 04; do [ -f "$NOTEBOOK/$(today_as %Y%m)$d.jpg" ] || return 1; done; }
wait_until 20 all_written || fail "not every photo became a day"
[ "$(identify -format '%wx%h' "$NOTEBOOK/$(today_as %Y%m)04.jpg")" = 640x480 ] || fail "the portrait day is not 640x480"
wait_until 20 gone '写真画像一括取込中' || fail "the progress dialog stayed"
step "PASS (progress dialog screenshot $PROGRESS_SHOT)"

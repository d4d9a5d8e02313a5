#!/usr/bin/env bash
# A phone photo through the real menu and file dialog: stored lying on its side with an EXIF
# Orientation flag, it must reach the rotation dialog as a portrait photo; turned clockwise it
# becomes the day's 640 x 480 picture, and the day moves to the photo's date after question 130.
# The rotation dialog as it was shown is kept as a screenshot.
# Usage: photo_import.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
e2e_begin photo_import 150
ROTATE_SHOT=${KELTO_E2E_ROTATE_SHOT:-/tmp/kelto-e2e-rotate-dialog.png}
command -v exiftool >/dev/null || fail "exiftool is missing"

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/nb"
mkdir -p "$NOTEBOOK"
printf '[Data]\r\nStartDate=%s\r\nKindName=photo\r\n' "$(today_as %Y/%m/01)" >"$NOTEBOOK/Kelto.dat"
DAY=$(today_as %Y%m)03
PHOTO_DAY=$(today_as %Y%m)05
printf '[Growth]\r\nDataHeight=12.5\r\n' >"$NOTEBOOK/$DAY.dat"

# Stored 800 x 600 with its top half red and bottom half blue; Orientation 6 says "turn
# clockwise to view", so upright it is 600 x 800 with its left half blue and right half red.
PHOTO="$WORK/phone photo.jpg"
convert -size 800x300 xc:red -size 800x300 xc:blue -append -quality 92 "$PHOTO"
exiftool -q -overwrite_original -IFD0:Orientation#=6 \
  -IFD0:ModifyDate="$(today_as %Y:%m):05 09:30:00" "$PHOTO" || fail "exiftool could not write the photo's EXIF"
[ "$("$WORK/prog/kelto" --photo-date "$PHOTO")" = "$(today_as %Y-%m)-05	$PHOTO" ] || fail "--photo-date reads another date"

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
MAIN=$(focus 'Kelto\[nb\]' 50) || fail "the notebook did not open"

(cd "$WORK/prog" && timeout 30 ./kelto --render calendar --date "$KELTO_TODAY" --notebook "$NOTEBOOK" --out "$WORK/calendar.png") ||
  fail "cannot render the calendar"
(cd "$WORK/prog" && timeout 30 ./kelto --render detail --date "$(today_as %Y-%m)-03" --notebook "$NOTEBOOK" --out "$WORK/detail.png") ||
  fail "cannot render the detail page"
e2e_locate "$WORK/calendar.png"
calendar_cell 3
timeout 10 xdotool mousemove --sync "$X" "$Y" click 1
wait_until 20 page_shown "$WORK/detail.png" || fail "the detail page of day 3 is not shown"

step "file menu, import photo"
menu_command "$MAIN" f o
FILE_DLG=$(focus '写真画像取込' 20) || fail "the file dialog did not open"
timeout 10 xdotool type --delay 20 "$PHOTO"
timeout 10 xdotool key Return

ROTATE=$(focus '画像回転' 30) || fail "the rotation dialog did not open for a portrait photo"
grab_dialog() { import -window "$ROTATE" "$WORK/rotate.png" 2>/dev/null; }
# The preview is painted: the photo as it would be stored unturned and whole, between white
# bands, shows its blue left and red right halves.
preview_painted() {
  grab_dialog || return 1
  local left right
  left=$(convert "$WORK/rotate.png" -format '%[pixel:p{90,139}]' info:)
  right=$(convert "$WORK/rotate.png" -format '%[pixel:p{142,139}]' info:)
  [[ "$left" == *"blue"* || "$left" == "srgb(0,0,25"* ]] && [[ "$right" == *"red"* || "$right" == "srgb(25"*",0,0)" ]]
}
wait_until 20 preview_painted || { cp "$WORK/rotate.png" "$ROTATE_SHOT"; fail "the preview does not show the upright photo (screenshot $ROTATE_SHOT)"; }
cp "$WORK/rotate.png" "$ROTATE_SHOT"
step "rotation dialog shown (screenshot $ROTATE_SHOT)"
# The clockwise button, then OK, at their places in the dialog's client area: the choice only
# selects, OK takes it.
timeout 10 xdotool mousemove --window "$ROTATE" --sync 384 162 click 1
timeout 10 xdotool mousemove --window "$ROTATE" --sync 384 286 click 1
wait_until 20 gone '画像回転' || fail "the rotation dialog did not close on clockwise and OK"

# Question 130 (take the photo's date), then 142 (remove the old date's record): Yes to both.
# Both boxes carry the same title: each is told from the other by its window.
box_closed() { ! xdotool search --onlyvisible --name '^Kelto$' 2>/dev/null | grep -qx "$1"; }
for question in 130 142; do
  BOX=$(focus '^Kelto$' 20) || fail "question $question was not asked"
  timeout 10 xdotool key Return
  wait_until 20 box_closed "$BOX" || fail "question $question did not close"
done
focus_window "$MAIN" || fail "cannot focus the main window"
timeout 10 xdotool key ctrl+s
saved() { [ -f "$NOTEBOOK/$PHOTO_DAY.jpg" ] && grep -q 'DataHeight=12.5' "$NOTEBOOK/$PHOTO_DAY.dat" 2>/dev/null; }
wait_until 20 saved || fail "the day was not written under the photo's date"
[ -f "$NOTEBOOK/$DAY.dat" ] && fail "the old date's record was kept after Yes to 142"
[ "$(identify -format '%wx%h' "$NOTEBOOK/$PHOTO_DAY.jpg")" = 640x480 ] || fail "the day picture is not 640x480"
# Turned clockwise, the upright photo's left (blue) is the top and its right (red) the bottom.
TOP=$(convert "$NOTEBOOK/$PHOTO_DAY.jpg" -format '%[fx:int(255*p{320,40}.b)] %[fx:int(255*p{320,40}.r)]' info:)
BOTTOM=$(convert "$NOTEBOOK/$PHOTO_DAY.jpg" -format '%[fx:int(255*p{320,440}.r)] %[fx:int(255*p{320,440}.b)]' info:)
read -r tb tr <<<"$TOP"
read -r br bb <<<"$BOTTOM"
[ "$tb" -gt 200 ] && [ "$tr" -lt 60 ] && [ "$br" -gt 200 ] && [ "$bb" -lt 60 ] ||
  fail "the picture is not turned clockwise (top b,r = $TOP; bottom r,b = $BOTTOM)"
grep -q "SourcePath=.*phone photo.jpg" "$NOTEBOOK/$PHOTO_DAY.dat" || fail "the source path was not written"
step "PASS (rotation dialog screenshot $ROTATE_SHOT)"

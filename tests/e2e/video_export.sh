#!/usr/bin/env bash
# The time-lapse export. Without a display: AVI and MP4 of the sample notebook checked with
# ffprobe (frames, rate from Kelto.ini, size), the progress line, and exit 1 with a message for
# a notebook with a single photo day. In the window: the menu command, its save dialog with the
# default extension, the message at the end, and an existing file replaced after the overwrite
# question.
# Usage: video_export.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin video_export 240
command -v ffprobe >/dev/null || fail "ffprobe is missing"
e2e_copy_program "$PROGRAM_DIR"
KELTO="$WORK/prog/kelto"

NOTE="$WORK/note"
e2e_sample_notebook "$NOTE"
PHOTOS=$(find "$NOTE" -maxdepth 1 -name '[0-9]*.jpg' | wc -l)
[ "$PHOTOS" -ge 2 ] || fail "the sample notebook has $PHOTOS photos"
printf '[Animation]\r\nSpeed=4\r\n' >"$WORK/prog/Kelto.ini"

probe() {
  ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of default=nw=1 "$1" | tr '\n' ' '
}
for kind in avi:rawvideo mp4:h264; do
  ext=${kind%%:*}
  step "export $ext"
  LANG=ja_JP.UTF-8 "$KELTO" --export-video "$WORK/growth.$ext" --notebook "$NOTE" >"$WORK/out" 2>"$WORK/err" \
    || fail "$ext: $(cat "$WORK/err")"
  grep -q "アニメーションを作成しています.*$PHOTOS/$PHOTOS" "$WORK/err" || fail "$ext: no progress line: $(cat "$WORK/err")"
  want="codec_name=${kind#*:} width=320 height=240 r_frame_rate=4/1 nb_read_frames=$PHOTOS "
  got=$(probe "$WORK/growth.$ext")
  [ "$got" = "$want" ] || fail "$ext: ffprobe says '$got', not '$want'"
done
ls "$WORK" | grep -q '\.tmp' && fail "a temporary file was left"

step "one photo day"
ONE="$WORK/one"
mkdir "$ONE"
cp "$NOTE/Kelto.dat" "$ONE/"
first=$(find "$NOTE" -maxdepth 1 -name '[0-9]*.jpg' | sort | head -1)
cp "$first" "${first%.jpg}.dat" "$ONE/"
echo old >"$WORK/keep.avi"
if LANG=ja_JP.UTF-8 "$KELTO" --export-video "$WORK/keep.avi" --notebook "$ONE" 2>"$WORK/err"; then
  fail "a notebook with one photo day was exported"
fi
grep -q "2日以上" "$WORK/err" || fail "no message for one photo day: $(cat "$WORK/err")"
[ "$(cat "$WORK/keep.avi")" = old ] || fail "the old file was changed"

step "menu command in the window"
e2e_start_display
"$KELTO" "$NOTE" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
MAIN=$(focus 'Kelto\[note\]' 50) || fail "the notebook did not open"
menu_command "$MAIN" f a
focus 'アニメーション作成' 20 >/dev/null || fail "the save dialog did not open"
timeout 10 xdotool type --delay 20 "$WORK/window"
timeout 10 xdotool key Return
wait_until 60 test -f "$WORK/window.avi" || fail "no window.avi (the default extension)"
wait_until 20 gone 'アニメーションを作成しています' || fail "the progress dialog stayed"
# The end is told in a message box of the program's own title; Enter closes it.
focus '^Kelto$' 20 >/dev/null || fail "the end of the export was not told"
timeout 10 xdotool key Return
wait_until 10 gone '^Kelto$' || fail "the message at the end stayed"
got=$(probe "$WORK/window.avi")
[ "$got" = "codec_name=rawvideo width=320 height=240 r_frame_rate=4/1 nb_read_frames=$PHOTOS " ] \
  || fail "window.avi: ffprobe says '$got'"

step "an existing file is replaced after the question"
echo old >"$WORK/window.avi"
menu_command "$MAIN" f a
focus 'アニメーション作成' 20 >/dev/null || fail "the save dialog did not open again"
before=$(e2e_windows)
timeout 10 xdotool type --delay 20 "$WORK/window.avi"
timeout 10 xdotool key Return
wait_until 20 new_window_since "$before" || fail "no overwrite question"
timeout 10 xdotool key alt+y
replaced() { [ "$(probe "$WORK/window.avi" 2>/dev/null)" = "$got" ]; }
wait_until 60 replaced || fail "window.avi was not replaced"
echo "video_export.sh: ok"

#!/usr/bin/env bash
# The real window on a real X display: start Kelto on a sample notebook, click a recorded day
# on the calendar with a real mouse event and check that the detail page of that day is shown;
# then enter a height and kill the program: OK of the entry dialog has written the day.
# Usage: window.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin window 120

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/sample"
if [ -x "$TOOLS_DIR/sample_notebook" ]; then
  QT_QPA_PLATFORM=offscreen timeout 60 "$TOOLS_DIR/sample_notebook" "$NOTEBOOK" >/dev/null
else
  # A few days of this month without photos, enough to click one.
  mkdir -p "$NOTEBOOK"
  printf '[Data]\r\nStartDate=%s\r\nKindName=sample\r\n' "$(today_as %Y/%m/01)" >"$NOTEBOOK/Kelto.dat"
  for d in 01 02 03; do
    printf '[Growth]\r\nDataHeight=%d.5\r\n' "${d#0}" >"$NOTEBOOK/$(today_as %Y%m)$d.dat"
  done
fi
[ -f "$NOTEBOOK/Kelto.dat" ] || fail "no sample notebook"
# The calendar opens on this month: make sure it has a recorded day (on a Sunday the 1st it may not).
if ! notebook_days "$WORK/prog/kelto" "$NOTEBOOK" | grep -q "^$(today_as %Y-%m)-"; then
  printf '[Growth]\r\nDataHeight=1.5\r\n' >"$NOTEBOOK/$(today_as %Y%m)01.dat"
fi

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
timeout 20 xdotool search --sync --onlyvisible --name Kelto >/dev/null || fail "no Kelto window"
# The start runs after the first paint: wait for the notebook's name in the title.
focus 'Kelto\[sample\]' 50 >/dev/null || fail "the notebook did not open"

(cd "$WORK/prog" && timeout 30 ./kelto --render calendar --date "$KELTO_TODAY" --notebook "$NOTEBOOK" --out "$WORK/calendar.png") ||
  fail "cannot render the calendar"
e2e_locate "$WORK/calendar.png"

# The latest recorded day of this month up to today (later days have no cell yet).
DAY=$(notebook_days "$WORK/prog/kelto" "$NOTEBOOK" | grep "^$(today_as %Y-%m)-" |
  awk -v today="$KELTO_TODAY" '$1 <= today' | tail -1 | cut -c9-10 || true)
[ -n "$DAY" ] || fail "the sample notebook has no day this month"
DAY=$((10#$DAY))
calendar_cell "$DAY"
step "clicking day $DAY at $X,$Y"
DATE=$(today_as %Y-%m)-$(printf %02d "$DAY")
(cd "$WORK/prog" && timeout 30 ./kelto --render detail --date "$DATE" --notebook "$NOTEBOOK" --out "$WORK/detail.png") ||
  fail "cannot render the detail page"
timeout 10 xdotool mousemove --sync "$X" "$Y" click 1
# The screen shows the detail page, clearly better than the calendar.
detail_shown() {
  timeout 20 import -window root "$WORK/after.png"
  DETAIL_FIT=$(e2e_fit "$WORK/after.png" "$WORK/detail.png")
  CALENDAR_FIT=$(e2e_fit "$WORK/after.png" "$WORK/calendar.png")
  python3 -c "import sys; sys.exit(0 if $DETAIL_FIT > 0.97 and $DETAIL_FIT > $CALENDAR_FIT + 0.05 else 1)"
}
wait_until 20 detail_shown || {
  cp "$WORK/after.png" "$SHOT_OUT"
  fail "the detail page of $DATE is not shown (fit $DETAIL_FIT, calendar $CALENDAR_FIT; screenshot $SHOT_OUT)"
}
cp "$WORK/after.png" "$SHOT_OUT"
step "after the click the screen fits the detail page $DETAIL_FIT, the calendar $CALENDAR_FIT"
kill -0 "$KELTO_PID" 2>/dev/null || fail "the program ended"

# Enter a height through the entry dialog (a double-click on the growth rows of the table), then
# kill the program, as a crash does: the day must be written already.
DAT="$NOTEBOOK/$(today_as %Y%m)$(printf %02d "$DAY").dat"
TX=$(layout Data1 X); TY=$(layout Data1 Y); PITCH=$(layout Data1 LinePitch)
: "${TX:=384}" "${TY:=84}" "${PITCH:=22}"
# Row 5 of the table is the plant height, the first of the growth rows.
timeout 10 xdotool mousemove --sync $((OX + TX + 200)) $((OY + TY + 4 * PITCH + PITCH / 2))
timeout 10 xdotool click --repeat 2 --delay 60 1
focus '観察データ入力ダイアログ' 40 >/dev/null || fail "the entry dialog did not open on a double-click"
timeout 10 xdotool key ctrl+a
timeout 10 xdotool type --delay 40 "77.7"
timeout 10 xdotool key Return
wait_until 20 gone '観察データ入力ダイアログ' || fail "the entry dialog did not close on OK"
# OK wrote the day: a crash or a power cut now loses nothing.
kill -KILL "$KELTO_PID"
ended() { ! kill -0 "$KELTO_PID" 2>/dev/null; }
wait_until 10 ended || fail "the program did not end on SIGKILL"
KELTO_PID=""
grep -q 'DataHeight=77.7' "$DAT" || fail "the entered height was not written on OK: $(tr -d '\r' <"$DAT" | tr '\n' ' ')"
step "PASS (screenshot $SHOT_OUT)"

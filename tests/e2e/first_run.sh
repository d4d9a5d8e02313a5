#!/usr/bin/env bash
# First run on a real X display: an empty data root, a notebook created through the real
# dialogs, a day created from the calendar, measurements typed into the entry dialog, the day
# file checked on disk, and the memo edited by a stand-in editor.
# Usage: first_run.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
e2e_begin first-run 180

# A copy of the program folder with an empty data root.
e2e_copy_program "$PROGRAM_DIR"
rm -rf "$WORK/prog/data"
mkdir "$WORK/prog/data"
printf 'template line\r\n' >"$WORK/prog/Kelto.txt"

# The stand-in memo editor appends one line and ends.
cat >"$WORK/editor.sh" <<'SH'
#!/bin/sh
printf 'written by the editor\n' >> "$1"
SH
chmod +x "$WORK/editor.sh"
export KELTO_EDITOR="$WORK/editor.sh"

e2e_start_display

(cd "$WORK/prog" && exec ./kelto) >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!

# An empty data root goes straight from the selection dialog to a new notebook.
step "creating the notebook"
focus '観察データ設定ダイアログ' >/dev/null || fail "the settings dialog did not open on an empty data root"
xdotool type --delay 40 'e2enote'
xdotool key Return
NOTEBOOK="$WORK/prog/data/e2enote"
for _ in $(seq 1 40); do [ -f "$NOTEBOOK/Kelto.dat" ] && break; sleep 0.25; done
[ -f "$NOTEBOOK/Kelto.dat" ] || fail "no notebook folder was created"
grep -q "StartDate=$(date +%Y/%m/%d)" "$NOTEBOOK/Kelto.dat" || fail "Kelto.dat has no start date of today"
iconv -f CP932 -t UTF-8 "$WORK/prog/Kelto.ini" | grep -q '^DataName=e2enote' || fail "Kelto.ini does not remember the notebook"
focus 'Kelto\[e2enote\]' >/dev/null || fail "the main window does not show the notebook"
sleep 1

# Where the page lies on the screen: match the calendar as the program draws it headless.
(cd "$WORK/prog" && ./kelto --render calendar --date "$(date +%F)" --notebook "$NOTEBOOK" --out "$WORK/calendar.png") ||
  fail "cannot render the calendar"
e2e_locate "$WORK/calendar.png"
calendar_cell $((10#$(date +%d)))
MAIN=$(focus 'Kelto\[e2enote\]') || fail "no main window"

step "creating today's day from the calendar"
xdotool mousemove "$X" "$Y"
sleep 0.3
xdotool click 1
focus '^Kelto$' >/dev/null || fail "message 151 was not asked"
xdotool key Return
sleep 1

step "entering measurements"
# A menu command by its mnemonics; tried again when a slow machine dropped the keys.
menu() {
  xdotool windowfocus "$MAIN" 2>/dev/null || true
  sleep 0.3
  xdotool key "alt+$1"
  sleep 0.5
  xdotool key "$2"
}
opened=""
for _ in 1 2 3; do
  menu e e
  focus '観察データ入力ダイアログ' 20 >/dev/null && { opened=1; break; }
  xdotool key Escape
done
[ -n "$opened" ] || fail "the entry dialog did not open from the Edit menu"
# Field order: 草たけ, 葉の枚数, 葉の大きさ.
xdotool type --delay 40 '12.5'
xdotool key Tab
xdotool type --delay 40 '7'
xdotool key Tab
xdotool type --delay 40 '3.2'
xdotool key Return
sleep 1

step "switching to the calendar"
STEM=$(date +%Y%m%d)
for _ in 1 2 3; do
  menu v c
  for _ in $(seq 1 20); do [ -f "$NOTEBOOK/$STEM.dat" ] && break 2; sleep 0.25; done
  xdotool key Escape
done
[ -f "$NOTEBOOK/$STEM.dat" ] || fail "the day file $STEM.dat was not written"
tr -d '\r' <"$NOTEBOOK/$STEM.dat" >"$WORK/day.txt"
for expected in DataHeight=12.5 DataCount=7 DataWidth=3.2 DataGraph=1; do
  grep -qx "$expected" "$WORK/day.txt" || { cat "$WORK/day.txt"; fail "the day file lacks $expected"; }
done

step "editing the memo"
sleep 0.5
xdotool mousemove "$X" "$Y"
sleep 0.3
xdotool click 1
sleep 1
for _ in 1 2 3; do
  menu e o
  for _ in $(seq 1 20); do grep -q 'written by the editor' "$NOTEBOOK/$STEM.txt" 2>/dev/null && break 2; sleep 0.25; done
  xdotool key Escape
done
grep -q 'template line' "$NOTEBOOK/$STEM.txt" 2>/dev/null || fail "the memo was not made from Kelto.txt"
grep -q 'written by the editor' "$NOTEBOOK/$STEM.txt" || fail "the editor did not run on the memo"
sleep 0.5
import -window root "$SHOT_OUT"
kill -0 "$KELTO_PID" 2>/dev/null || fail "the program ended"
step "PASS (screenshot $SHOT_OUT)"

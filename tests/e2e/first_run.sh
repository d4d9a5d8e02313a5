#!/usr/bin/env bash
# First run on a real X display, from the program folder exactly as the build lays it out: the
# selection dialog goes to a new notebook in the shipped data root, a day is created from the
# calendar, measurements are typed into the entry dialog, the day file is checked on disk, and
# the memo is made from the shipped template and edited by a stand-in editor.
# Usage: first_run.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
e2e_begin first-run 180

e2e_copy_program "$PROGRAM_DIR"
# Notebooks a developer made in the build's own folder are not part of what ships.
[ -d "$WORK/prog/data" ] || fail "the program folder has no data folder: a new user cannot create a notebook"
find "$WORK/prog/data" -mindepth 1 -delete
TEMPLATE="$WORK/prog/Kelto.txt"
[ -f "$TEMPLATE" ] || fail "the program folder has no memo template Kelto.txt"

# The stand-in memo editor appends one line and ends.
cat >"$WORK/editor.sh" <<'SH'
#!/bin/sh
printf 'written by the editor\n' >> "$1"
SH
chmod +x "$WORK/editor.sh"
export KELTO_EDITOR="$WORK/editor.sh"

e2e_start_display

# An empty data root goes straight from the selection dialog to a new notebook.
step "creating the notebook"
e2e_first_notebook "$WORK/prog/kelto" "$WORK/prog/data" e2enote "$WORK/prog/Kelto.ini"

# Where the page lies on the screen: match the calendar as the program draws it headless.
(cd "$WORK/prog" && ./kelto --render calendar --date "$KELTO_TODAY" --notebook "$NOTEBOOK" --out "$WORK/calendar.png") ||
  fail "cannot render the calendar"
e2e_locate "$WORK/calendar.png"
calendar_cell $((10#$(today_as %d)))

step "creating today's day from the calendar"
xdotool mousemove --sync "$X" "$Y" click 1
focus '^Kelto$' 20 >/dev/null || fail "message 151 was not asked"
xdotool key Return
wait_until 20 gone '^Kelto$' || fail "message 151 did not close"

step "entering measurements"
menu_command "$MAIN" e e
focus '観察データ入力ダイアログ' 20 >/dev/null || fail "the entry dialog did not open from the Edit menu"
# Field order: 草たけ, 葉の枚数, 葉の大きさ.
xdotool type --delay 40 '12.5'
xdotool key Tab
xdotool type --delay 40 '7'
xdotool key Tab
xdotool type --delay 40 '3.2'
xdotool key Return
wait_until 20 gone '観察データ入力ダイアログ' || fail "the entry dialog did not close on OK"

step "switching to the calendar"
STEM=$(today_as %Y%m%d)
menu_command "$MAIN" v c
wait_until 20 test -f "$NOTEBOOK/$STEM.dat" || fail "the day file $STEM.dat was not written"
tr -d '\r' <"$NOTEBOOK/$STEM.dat" >"$WORK/day.txt"
for expected in DataHeight=12.5 DataCount=7 DataWidth=3.2 DataGraph=1; do
  grep -qx "$expected" "$WORK/day.txt" || { cat "$WORK/day.txt"; fail "the day file lacks $expected"; }
done

step "editing the memo"
(cd "$WORK/prog" && ./kelto --render detail --date "$KELTO_TODAY" --notebook "$NOTEBOOK" --out "$WORK/detail.png") ||
  fail "cannot render the detail page"
xdotool mousemove --sync "$X" "$Y" click 1
# The memo command is there on the detail page only: wait until the click has shown it.
wait_until 30 page_shown "$WORK/detail.png" || fail "the click on the calendar did not show the day's detail page"
menu_command "$MAIN" e o
wait_until 20 grep -q 'written by the editor' "$NOTEBOOK/$STEM.txt" || fail "the editor did not run on the memo"
# The memo starts as a byte-for-byte copy of the shipped template.
cmp -s -n "$(stat -c %s "$TEMPLATE")" "$TEMPLATE" "$NOTEBOOK/$STEM.txt" || fail "the memo was not made from Kelto.txt"
import -window root "$SHOT_OUT"
kill -0 "$KELTO_PID" 2>/dev/null || fail "the program ended"
step "PASS (screenshot $SHOT_OUT)"

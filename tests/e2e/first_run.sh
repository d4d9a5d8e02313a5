#!/usr/bin/env bash
# First run on a real X display: an empty data root, a notebook created through the real
# dialogs, a day created from the calendar, measurements typed into the entry dialog, the day
# file checked on disk, and the memo edited by a stand-in editor.
# Usage: first_run.sh <programFolder> <toolsDir>
set -euo pipefail

PROGRAM_DIR=${1:?program folder}
SHOT_OUT=${KELTO_E2E_SHOT:-/tmp/kelto-e2e-first-run.png}

for tool in Xvfb xdotool convert import python3 iconv; do
  command -v "$tool" >/dev/null || { echo "first_run.sh: $tool is missing"; exit 1; }
done

WORK=$(mktemp -d /tmp/kelto-first-run.XXXXXX)
XVFB_PID=""
KELTO_PID=""
WATCHDOG_PID=""
cleanup() {
  [ -n "$KELTO_PID" ] && kill "$KELTO_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "$WATCHDOG_PID" ] && kill "$WATCHDOG_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "first_run.sh: FAIL: $*"
  [ -n "${DISPLAY:-}" ] && import -window root "$SHOT_OUT" 2>/dev/null && echo "  screenshot: $SHOT_OUT"
  [ -f "$WORK/kelto.log" ] && sed 's/^/  kelto: /' "$WORK/kelto.log" | tail -20
  exit 1
}
step() { echo "first_run.sh: $*"; }

# Never more than three minutes, whatever hangs. The watchdog takes its sleep with it when it
# is stopped, so no stray process keeps the test's output open.
trap 'echo "first_run.sh: timed out"; exit 1' TERM
(
  exec </dev/null >/dev/null 2>&1
  trap 'kill "$SLEEP_PID" 2>/dev/null; exit 0' TERM
  sleep 180 &
  SLEEP_PID=$!
  wait "$SLEEP_PID" && kill -TERM $$
) &
WATCHDOG_PID=$!

# A copy of the program folder with an empty data root: the real one is never written.
cp -r "$PROGRAM_DIR" "$WORK/prog"
rm -rf "$WORK/prog/Kelto.ini" "$WORK/prog/data"
mkdir "$WORK/prog/data"
printf 'template line\r\n' >"$WORK/prog/Kelto.txt"

# The stand-in memo editor appends one line and ends.
cat >"$WORK/editor.sh" <<'SH'
#!/bin/sh
printf 'written by the editor\n' >> "$1"
SH
chmod +x "$WORK/editor.sh"
export KELTO_EDITOR="$WORK/editor.sh"

mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/displayfd" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
read -r -t 20 DISPLAY_NO <"$WORK/displayfd" || fail "Xvfb did not start"
export DISPLAY=":$DISPLAY_NO"
# The real window on that display, whatever platform the caller asked for.
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# Waits for a visible window whose title matches, gives it the keyboard and prints its id.
focus() {
  local id="" tries=${2:-60}
  for _ in $(seq 1 "$tries"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true)
    [ -n "$id" ] && break
    sleep 0.25
  done
  [ -n "$id" ] || return 1
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  sleep 0.4
  echo "$id"
}

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
import -window root "$WORK/screen.png"
cat >"$WORK/locate.py" <<'PY'
import subprocess, sys
def load(path):
    w, h = map(int, subprocess.check_output(["identify", "-format", "%w %h", path]).split())
    return w, h, subprocess.check_output(["convert", path, "-depth", "8", "rgb:-"])
sw, sh, s = load(sys.argv[1])
pw, ph, p = load(sys.argv[2])
def score(ox, oy):
    good = total = 0
    for y in range(2, ph - 2, 23):
        for x in range(2, pw - 2, 23):
            sx, sy = ox + x, oy + y
            if sx >= sw or sy >= sh:
                continue
            i, j = (sy * sw + sx) * 3, (y * pw + x) * 3
            total += 1
            good += all(abs(s[i + k] - p[j + k]) <= 24 for k in range(3))
    return good / total if total else 0.0
best = max((score(ox, oy), ox, oy) for oy in range(0, 160) for ox in range(0, 12))
print(best[1], best[2], f"{best[0]:.3f}")
PY
read -r OX OY FIT < <(python3 "$WORK/locate.py" "$WORK/screen.png" "$WORK/calendar.png")
python3 -c "import sys; sys.exit(0 if float('$FIT') > 0.9 else 1)" || fail "the calendar is not on the screen (fit $FIT)"

# Today's cell from Layout.ini [Calender].
layout() {
  iconv -f CP932 -t UTF-8 "$WORK/prog/Layout.ini" | awk -F= -v key="$1" '
    /^\[/ { sec = tolower($0); gsub(/[\[\]\r ]/, "", sec); next }
    sec == "calender" && tolower($1) == tolower(key) { v = $2; gsub(/\r/, "", v); print v; exit }'
}
CX=$(layout X); CY=$(layout Y); CW=$(layout Width); CH=$(layout Height)
PW=$(layout PicWidth); PH=$(layout PicHeight)
DAY=$((10#$(date +%d)))
CELL=$(( $(date -d "$(date +%Y-%m-01)" +%w) + DAY - 1 ))
X=$((OX + CX + (CELL % 7) * CW + PW / 2))
Y=$((OY + CY + (CELL / 7) * CH + PH / 2))
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

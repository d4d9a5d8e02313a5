#!/usr/bin/env bash
# The real window on a real X display: start Kelto on a sample notebook, click a recorded day
# on the calendar with a real mouse event and check that the detail page of that day is shown.
# Usage: window.sh <programFolder> <toolsDir>
set -euo pipefail

PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
SHOT_OUT=${KELTO_E2E_SHOT:-/tmp/kelto-e2e-window.png}

for tool in Xvfb xdotool convert python3; do
  command -v "$tool" >/dev/null || { echo "window.sh: $tool is missing"; exit 1; }
done

WORK=$(mktemp -d /tmp/kelto-e2e.XXXXXX)
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
trap 'exit 124' TERM INT
fail() {
  echo "window.sh: FAIL: $*"
  [ -f "$WORK/kelto.log" ] && sed 's/^/  kelto: /' "$WORK/kelto.log" | tail -20
  exit 1
}

# Never more than two minutes: every step below is bounded too, so the signal is taken soon.
(
  trap 'kill $sleeper 2>/dev/null; exit 0' TERM
  sleep 120 &
  sleeper=$!
  wait $sleeper
  echo "window.sh: timed out"
  kill -TERM $$
) &
WATCHDOG_PID=$!

# A copy of the program folder: the test never writes into the real one.
cp -r "$PROGRAM_DIR" "$WORK/prog"
rm -f "$WORK/prog/Kelto.ini"
NOTEBOOK="$WORK/prog/data/sample"
mkdir -p "$WORK/prog/data"
if [ -x "$TOOLS_DIR/sample_notebook" ]; then
  QT_QPA_PLATFORM=offscreen timeout 60 "$TOOLS_DIR/sample_notebook" "$NOTEBOOK" >/dev/null
else
  # A few days of this month without photos, enough to click one.
  mkdir -p "$NOTEBOOK"
  printf '[Data]\r\nStartDate=%s\r\nKindName=sample\r\n' "$(date +%Y/%m/01)" >"$NOTEBOOK/Kelto.dat"
  for d in 01 02 03; do
    printf '[Growth]\r\nDataHeight=%d.5\r\n' "${d#0}" >"$NOTEBOOK/$(date +%Y%m)$d.dat"
  done
fi
[ -f "$NOTEBOOK/Kelto.dat" ] || fail "no sample notebook"
# The calendar opens on this month: make sure it has a recorded day (on a Sunday the 1st it may not).
if ! ls "$NOTEBOOK" | grep -qE "^$(date +%Y%m)[0-9]{2}\.dat$"; then
  printf '[Growth]\r\nDataHeight=1.5\r\n' >"$NOTEBOOK/$(date +%Y%m)01.dat"
fi

# An X display of its own; -displayfd picks a free number and reports it once the server is up.
mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/displayfd" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
read -r -t 20 DISPLAY_NO <"$WORK/displayfd" || fail "Xvfb did not start"
export DISPLAY=":$DISPLAY_NO"
# The real window on that display, whatever platform the caller asked for.
export QT_QPA_PLATFORM=xcb
# A runtime folder of its own, so the single-instance lock never meets a copy the user runs.
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
timeout 20 xdotool search --sync --onlyvisible --name Kelto >/dev/null || fail "no Kelto window"
# The start runs after the first paint: wait for the notebook's name in the title.
for _ in $(seq 1 50); do
  timeout 5 xdotool search --onlyvisible --name 'Kelto\[sample\]' >/dev/null 2>&1 && break
  sleep 0.2
done
timeout 5 xdotool search --onlyvisible --name 'Kelto\[sample\]' >/dev/null 2>&1 || fail "the notebook did not open"
sleep 1

# Where the page lies on the screen: find the calendar as the program draws it headless.
TODAY=$(date +%F)
(cd "$WORK/prog" && timeout 30 ./kelto --render calendar --date "$TODAY" --notebook "$NOTEBOOK" --out "$WORK/calendar.png") ||
  fail "cannot render the calendar"
timeout 20 import -window root "$WORK/before.png"
cat >"$WORK/match.py" <<'PY'
import subprocess, sys

def load(path):
    size = subprocess.check_output(["identify", "-format", "%w %h", path]).split()
    w, h = int(size[0]), int(size[1])
    return w, h, subprocess.check_output(["convert", path, "-depth", "8", "rgb:-"])

def score(screen, page, ox, oy, step):
    sw, sh, s = screen
    pw, ph, p = page
    good = total = 0
    for y in range(2, ph - 2, step):
        for x in range(2, pw - 2, step):
            sx, sy = ox + x, oy + y
            if sx >= sw or sy >= sh:
                continue
            i, j = (sy * sw + sx) * 3, (y * pw + x) * 3
            total += 1
            if all(abs(s[i + k] - p[j + k]) <= 24 for k in range(3)):
                good += 1
    return good / total if total else 0.0

cmd = sys.argv[1]
if cmd == "locate":
    screen, page = load(sys.argv[2]), load(sys.argv[3])
    best = max(((score(screen, page, ox, oy, 23), ox, oy) for oy in range(0, 160) for ox in range(0, 12)))
    print(f"{best[1]} {best[2]} {best[0]:.3f}")
else:  # compare SHOT PAGE OX OY
    screen, page = load(sys.argv[2]), load(sys.argv[3])
    print(f"{score(screen, page, int(sys.argv[4]), int(sys.argv[5]), 5):.3f}")
PY
read -r OX OY FIT < <(timeout 60 python3 "$WORK/match.py" locate "$WORK/before.png" "$WORK/calendar.png")
python3 -c "import sys; sys.exit(0 if float('$FIT') > 0.9 else 1)" ||
  { cp "$WORK/before.png" "$SHOT_OUT"; fail "the calendar is not on the screen (best fit $FIT at $OX,$OY)"; }
echo "window.sh: page at $OX,$OY (fit $FIT)"

# The calendar grid from Layout.ini [Calender].
layout() {
  awk -F= -v key="$1" '
    /^\[/ { sec = tolower($0); gsub(/[\[\]\r ]/, "", sec); next }
    sec == "calender" && tolower($1) == tolower(key) { v = $2; gsub(/\r/, "", v); print v; exit }
  ' "$WORK/prog/Layout.ini"
}
CX=$(layout X); CY=$(layout Y); CW=$(layout Width); CH=$(layout Height)
PW=$(layout PicWidth); PH=$(layout PicHeight)
: "${CX:=10}" "${CY:=60}" "${CW:=80}" "${CH:=60}" "${PW:=64}" "${PH:=48}"

# The latest recorded day of this month up to today (later days have no cell yet).
DAY=$(ls "$NOTEBOOK" | grep -E "^$(date +%Y%m)[0-9]{2}\.dat$" | cut -c7-8 | sort |
  awk -v today="$(date +%d)" '$1 + 0 <= today + 0' | tail -1 || true)
[ -n "$DAY" ] || fail "the sample notebook has no day this month"
DAY=$((10#$DAY))
FIRST=$(date -d "$(date +%Y-%m-01)" +%w)
CELL=$((FIRST + DAY - 1))
X=$((OX + CX + (CELL % 7) * CW + PW / 2))
Y=$((OY + CY + (CELL / 7) * CH + PH / 2))
echo "window.sh: clicking day $DAY at $X,$Y"
timeout 10 xdotool mousemove "$X" "$Y"
sleep 0.3
timeout 10 xdotool click 1
sleep 1.5
timeout 20 import -window root "$WORK/after.png"
cp "$WORK/after.png" "$SHOT_OUT"

DATE=$(date +%Y-%m)-$(printf %02d "$DAY")
(cd "$WORK/prog" && timeout 30 ./kelto --render detail --date "$DATE" --notebook "$NOTEBOOK" --out "$WORK/detail.png") ||
  fail "cannot render the detail page"
DETAIL_FIT=$(timeout 30 python3 "$WORK/match.py" compare "$WORK/after.png" "$WORK/detail.png" "$OX" "$OY")
CALENDAR_FIT=$(timeout 30 python3 "$WORK/match.py" compare "$WORK/after.png" "$WORK/calendar.png" "$OX" "$OY")
echo "window.sh: after the click the screen fits the detail page $DETAIL_FIT, the calendar $CALENDAR_FIT"
python3 -c "import sys; sys.exit(0 if $DETAIL_FIT > 0.97 and $DETAIL_FIT > $CALENDAR_FIT + 0.05 else 1)" ||
  fail "the detail page of $DATE is not shown (screenshot $SHOT_OUT)"
kill -0 "$KELTO_PID" 2>/dev/null || fail "the program ended"

# Enter a height through the entry dialog (a double-click on the growth rows of the table), then
# end the program with a signal, as a closing session does: the day must still be written.
DAT="$NOTEBOOK/$(date +%Y%m)$(printf %02d "$DAY").dat"
layout_in() {
  awk -F= -v want="$1" -v key="$2" '
    /^\[/ { sec = tolower($0); gsub(/[\[\]\r ]/, "", sec); next }
    sec == tolower(want) && tolower($1) == tolower(key) { v = $2; gsub(/\r/, "", v); print v; exit }
  ' "$WORK/prog/Layout.ini"
}
TX=$(layout_in Data1 X); TY=$(layout_in Data1 Y); PITCH=$(layout_in Data1 LinePitch)
: "${TX:=384}" "${TY:=84}" "${PITCH:=22}"
# Row 5 of the table is the plant height, the first of the growth rows.
EX=$((OX + TX + 200)); EY=$((OY + TY + 4 * PITCH + PITCH / 2))
timeout 10 xdotool mousemove "$EX" "$EY"
sleep 0.3
timeout 10 xdotool click --repeat 2 --delay 60 1
for _ in $(seq 1 20); do
  timeout 5 xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | grep -q . && break
  sleep 0.2
done
sleep 1
timeout 10 xdotool key ctrl+a
timeout 10 xdotool type --delay 40 "77.7"
timeout 10 xdotool key Return
sleep 1
grep -q 'DataHeight=77.7' "$DAT" && fail "the day was written before a flush point"
kill -TERM "$KELTO_PID"
for _ in $(seq 1 50); do kill -0 "$KELTO_PID" 2>/dev/null || break; sleep 0.2; done
kill -0 "$KELTO_PID" 2>/dev/null && fail "the program did not end on SIGTERM"
KELTO_PID=""
grep -q 'DataHeight=77.7' "$DAT" || { import -window root "$SHOT_OUT" 2>/dev/null; fail "the entered height was lost at SIGTERM: $(tr -d '\r' <"$DAT" | tr '\n' ' ')"; }
echo "window.sh: PASS (screenshot $SHOT_OUT)"

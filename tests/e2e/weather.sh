#!/usr/bin/env bash
# The weather from a local stand-in of the weather site, through the real window: tick the
# internet box and choose the place in the internet settings dialog, then fetch a day's weather
# in the data dialog and end the program: the day file holds the site's values.
# Usage: weather.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
e2e_begin weather 150
SERVER_PID=""
stop_server() { [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true; e2e_cleanup; }
trap stop_server EXIT

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/weather"
mkdir -p "$NOTEBOOK"
printf '[Data]\r\nStartDate=%s\r\nKindName=weather\r\n' "$(today_as %Y/%m/01)" >"$NOTEBOOK/Kelto.dat"
printf '[Growth]\r\nDataHeight=3.5\r\n' >"$NOTEBOOK/$(today_as %Y%m)10.dat"

python3 "$(dirname "$0")/../../tools/weather_server.py" --port 0 --log "$WORK/requests.log" >"$WORK/server.out" 2>&1 &
SERVER_PID=$!
wait_until 20 grep -qs PORT "$WORK/server.out" || fail "the weather server did not start"
PORT=$(awk '/PORT/ {print $2}' "$WORK/server.out")
# Only HostName changes in the shipped Weather.ini.
sed -i "s|^HostName=.*|HostName=http://127.0.0.1:$PORT\r|" "$WORK/prog/Weather.ini"

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
WIN=$(focus 'Kelto\[weather\]' 50) || fail "the notebook did not open"

internet_settings_tokyo "$WIN"
# Stations of 東京都: 東京◎ first.
xdotool key Tab Down
xdotool key Tab Tab Tab Tab Tab space   # past the four read-only fields: the test button
wait_until 20 grep -q daily_s1 "$WORK/requests.log" || fail "the test button fetched nothing"
import -window root "$WORK/settings.png"
xdotool key Return
wait_until 20 gone 'インターネット設定ダイアログ' || fail "the dialog did not close on OK"
grep -q 'Place=47662' "$WORK/prog/Kelto.ini" || fail "the place was not saved: $(tr -d '\r' <"$WORK/prog/Kelto.ini")"
grep -q 'Pref=44' "$WORK/prog/Kelto.ini" || fail "the prefecture was not saved"

step "the data dialog of the 10th"
(cd "$WORK/prog" && timeout 30 ./kelto --render calendar --date "$KELTO_TODAY" --notebook "$NOTEBOOK" --out "$WORK/calendar.png") ||
  fail "cannot render the calendar"
e2e_locate "$WORK/calendar.png"
calendar_cell 10
timeout 10 xdotool mousemove --sync "$X" "$Y" click 1
(cd "$WORK/prog" && timeout 30 ./kelto --render detail --date "$(today_as %Y-%m)-10" --notebook "$NOTEBOOK" --out "$WORK/detail.png")
wait_until 20 page_shown "$WORK/detail.png" || fail "the detail page of the 10th is not shown"
menu_command "$WIN" e w
focus '気象データ入力ダイアログ' 20 >/dev/null || fail "the data dialog did not open"
# The dialog opens on the first value; past the four fields is the fetch button.
xdotool key Tab Tab Tab Tab space
fetched() { [ "$(grep -c daily_s1 "$WORK/requests.log")" -ge 2 ]; }
wait_until 20 fetched || fail "the fetch button sent no request"
# The dialog says in its title that the site is being asked, until the answer is in the fields.
wait_until 20 gone '取得中' || fail "the fetched weather did not arrive"
import -window root "$SHOT_OUT"
xdotool key Return
wait_until 20 gone '気象データ入力ダイアログ' || fail "the data dialog did not close on OK"
kill -TERM "$KELTO_PID"
ended() { ! kill -0 "$KELTO_PID" 2>/dev/null; }
wait_until 10 ended || fail "the program did not end"
KELTO_PID=""
DAT="$NOTEBOOK/$(today_as %Y%m)10.dat"
DAY=$(iconv -f CP932 -t UTF-8 "$DAT" | tr -d '\r')
for want in 'HighTemp=21.0' 'LowTemp=11.0' 'Daylight=0.0' 'Weather=曇一時雨' 'DataHeight=3.5'; do
  grep -qx "$want" <<<"$DAY" || fail "the day file lacks $want: $(tr '\n' ' ' <<<"$DAY")"
done
step "PASS ($(wc -l <"$WORK/requests.log") requests; screenshot $SHOT_OUT)"

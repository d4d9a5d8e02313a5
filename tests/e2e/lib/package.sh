# The jobs of the unpacked package that need its modules, for package_installed.sh and
# package_portable.sh: the place lists of the internet settings fetched in the window from the
# local stand-in of the weather site, and a video exported and read back with ffprobe: a module
# missing from the package fails here (tests/package/check.sh holds Depends against what the
# modules link). Source it after common.sh.

SERVER_PID=""
e2e_package_cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
  e2e_cleanup
}

# e2e_package_jobs EXE SETTINGS WEATHER_INI NOTEBOOKS: with TOOLS_DIR set and the window of EXE
# open on its first notebook (KELTO_PID, MAIN), points WEATHER_INI (the Weather.ini the program
# reads) at the local site, chooses the place in インターネット設定 and ends the window; then
# makes a notebook of three days in NOTEBOOKS and exports its video.
e2e_package_jobs() {
  local exe=$1 settings=$2 weather_ini=$3 notebooks=$4
  command -v ffprobe >/dev/null || fail "ffprobe is missing"
  python3 "$E2E_LIB/../../../tools/weather_server.py" --port 0 --log "$WORK/requests.log" >"$WORK/server.out" 2>&1 &
  SERVER_PID=$!
  wait_until 20 grep -qs PORT "$WORK/server.out" || fail "the weather server did not start"
  local port
  port=$(awk '/PORT/ {print $2}' "$WORK/server.out")
  # Only HostName changes in the shipped Weather.ini.
  sed "s|^HostName=.*|HostName=http://127.0.0.1:$port\r|" "$PKG_PROGRAM/Weather.ini" >"$WORK/Weather.ini"
  mkdir -p "$(dirname "$weather_ini")"
  mv "$WORK/Weather.ini" "$weather_ini"

  internet_settings_tokyo "$MAIN"
  xdotool key Tab Down
  xdotool key Return
  wait_until 20 gone 'インターネット設定ダイアログ' || fail "the dialog did not close on OK"
  wait_until 20 grep -q 'Place=47662' "$settings" || fail "the place was not saved in $settings"
  kill -TERM "$KELTO_PID"
  wait "$KELTO_PID" 2>/dev/null || true
  KELTO_PID=""

  # Three days: at most one is a Sunday, which the sample leaves without a record.
  local notebook="$notebooks/growth" photos
  QT_QPA_PLATFORM=offscreen timeout 60 "$TOOLS_DIR/sample_notebook" --days 3 "$notebook" >/dev/null 2>&1 ||
    fail "the sample notebook could not be made at $notebook"
  photos=$(find "$notebook" -maxdepth 1 -name '[0-9]*.jpg' | wc -l)
  [ "$photos" -ge 2 ] || fail "the sample notebook has $photos photos"

  step "video export"
  "$exe" --export-video "$WORK/growth.mp4" --notebook "$notebook" >"$WORK/out" 2>"$WORK/err" ||
    fail "the video export failed: $(cat "$WORK/err")"
  local got want="codec_name=h264 nb_read_frames=$photos "
  got=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=codec_name,nb_read_frames \
    -of default=nw=1 "$WORK/growth.mp4" | tr '\n' ' ')
  [ "$got" = "$want" ] || fail "ffprobe says '$got', not '$want'"

  step "$photos video frames"
}

# Shared by the end-to-end scripts: a work folder, a watchdog, an X display of the test's own,
# a copy of the program folder, Layout.ini reading and finding the page on the screen.
# Source it, then call e2e_begin NAME SECONDS.

E2E_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The day the program and the sample notebook maker take as today, through the clock's test
# seam: a run never depends on the machine's date. KELTO_E2E_TODAY picks another day (a month
# end, a Sunday the 1st) to try the scripts on it.
export KELTO_TODAY=${KELTO_E2E_TODAY:-2024-05-15}
# The command line speaks the locale's language (Japanese under ja_*, else English): the
# scripts pin it, so the words they look for never depend on the machine's locale. A check of
# Japanese words runs its command with LANG=ja_JP.UTF-8.
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES LANGUAGE
# today_as FORMAT: that day in a date(1) format, e.g. today_as %Y%m%d.
today_as() { date -d "$KELTO_TODAY" "+$1"; }
XVFB_PID=""
KELTO_PID=""
WATCHDOG_PID=""

step() { echo "$E2E_NAME: $*"; }

fail() {
  echo "$E2E_NAME: FAIL: $*"
  [ -n "${DISPLAY:-}" ] && import -window root "$SHOT_OUT" 2>/dev/null && echo "  screenshot: $SHOT_OUT"
  [ -f "$WORK/kelto.log" ] && sed 's/^/  kelto: /' "$WORK/kelto.log" | tail -20
  exit 1
}

e2e_cleanup() {
  [ -n "$KELTO_PID" ] && kill "$KELTO_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "$WATCHDOG_PID" ] && kill "$WATCHDOG_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}

# e2e_begin NAME SECONDS: the work folder, the clean-up and a limit on the whole run.
e2e_begin() {
  E2E_NAME=$1
  SHOT_OUT=${KELTO_E2E_SHOT:-/tmp/kelto-e2e-$1.png}
  for tool in Xvfb xdotool convert import identify python3 iconv; do
    command -v "$tool" >/dev/null || { echo "$E2E_NAME: $tool is missing"; exit 1; }
  done
  WORK=$(mktemp -d "/tmp/kelto-e2e-$1.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'echo "$E2E_NAME: timed out"; exit 1' TERM
  # The watchdog takes its sleep with it when stopped, so no stray process keeps output open.
  (
    exec </dev/null >/dev/null 2>&1
    trap 'kill "$SLEEP_PID" 2>/dev/null; exit 0' TERM
    sleep "$2" &
    SLEEP_PID=$!
    wait "$SLEEP_PID" && kill -TERM $$
  ) &
  WATCHDOG_PID=$!
}

# A copy of the program folder without the user's Kelto.ini: the real one is never written.
e2e_copy_program() {
  cp -r "$1" "$WORK/prog"
  rm -f "$WORK/prog/Kelto.ini"
  # The build lays out the notebooks' folder; a test never makes it for the program.
  [ -d "$WORK/prog/data" ] || fail "the program folder has no data folder"
}

# The Debian package built from the program folder $1 (the test "package" builds it), unpacked
# into $WORK/root as dpkg would lay it out; sets PKG_ROOT and PKG_PROGRAM (its program folder).
e2e_unpack_package() {
  local deb
  deb=$(ls -t "$1"/../package/kelto_*.deb 2>/dev/null | head -1)
  [ -f "$deb" ] || fail "no package beside $1 (ctest -R package builds it)"
  PKG_ROOT="$WORK/root"
  dpkg-deb -x "$deb" "$PKG_ROOT" || fail "cannot unpack $deb"
  PKG_PROGRAM="$PKG_ROOT/usr/lib/kelto"
  [ -x "$PKG_PROGRAM/kelto" ] || fail "the package has no program in /usr/lib/kelto"
}

# A home of the test's own, with the desktop's folder variables pointing into it.
e2e_user_home() {
  export HOME="$WORK/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
  export XDG_STATE_HOME="$HOME/.local/state"
  mkdir -p "$XDG_CONFIG_HOME"
}

# where NAME: the folder `kelto --where` of $KELTO_EXE names for NAME (mode, settings, notebooks...).
where() { "$KELTO_EXE" --where 2>/dev/null | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }

# expect_where MODE SETTINGS NOTEBOOKS: `kelto --where` of $KELTO_EXE tells that mode, that
# Kelto.ini and that notebooks' folder, and the user's lock in the runtime folder.
expect_where() {
  step "kelto --where"
  "$KELTO_EXE" --where 2>/dev/null | sed 's/^/  /'
  [ "$(where mode)" = "$1" ] || fail "the program folder is not taken as $1"
  [ "$(where settings)" = "$2" ] || fail "Kelto.ini is not $2"
  [ "$(where notebooks)" = "$3" ] || fail "the notebooks' folder is not $3"
  [ "$(where lock)" = "$XDG_RUNTIME_DIR/QuillaneKelto-$(id -u).lock" ] || fail "the lock is not the user's in the runtime folder"
}

# e2e_first_notebook EXE DATA_ROOT NAME SETTINGS: starts the program EXE on an empty data root
# and creates the notebook NAME from the settings dialog the start goes to; waits until its
# folder is in DATA_ROOT, the settings file SETTINGS remembers it and the main window shows it.
# Sets KELTO_PID, NOTEBOOK and MAIN (the main window).
e2e_first_notebook() {
  local exe=$1 root=$2 name=$3 settings=$4
  (cd "$(dirname "$exe")" && exec "$exe") >"$WORK/kelto.log" 2>&1 &
  KELTO_PID=$!
  focus '観察データ設定ダイアログ' 30 >/dev/null || fail "the settings dialog did not open on an empty data root"
  xdotool type --delay 40 "$name"
  xdotool key Return
  NOTEBOOK="$root/$name"
  wait_until 20 test -f "$NOTEBOOK/Kelto.dat" || fail "no notebook folder was created in $root"
  grep -q "StartDate=$(today_as %Y/%m/%d)" "$NOTEBOOK/Kelto.dat" || fail "Kelto.dat has no start date of today ($KELTO_TODAY)"
  # Kelto.ini is written after the notebook file.
  wait_until 20 remembers "$settings" "$name" || fail "$settings does not remember the notebook"
  MAIN=$(focus "Kelto\[$name\]" 20) || fail "the main window does not show the notebook"
}
remembers() { [ -f "$1" ] && iconv -f CP932 -t UTF-8 "$1" | grep -q "^DataName=$2"; }

# An X display of the test's own; -displayfd picks a free number once the server is up.
e2e_start_display() {
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
}

# layout SECTION KEY: a value of the copied program's Layout.ini (Shift-JIS).
layout() {
  iconv -f CP932 -t UTF-8 "$WORK/prog/Layout.ini" | awk -F= -v want="$1" -v key="$2" '
    /^\[/ { sec = tolower($0); gsub(/[\[\]\r ]/, "", sec); next }
    sec == tolower(want) && tolower($1) == tolower(key) { v = $2; gsub(/\r/, "", v); print v; exit }'
}

# page_found PAGE.png: the page drawn headless is on the screen now; sets OX, OY and FIT.
page_found() {
  import -window root "$WORK/screen.png"
  read -r OX OY FIT < <(timeout 60 python3 "$E2E_LIB/match.py" locate "$WORK/screen.png" "$1")
  python3 -c "import sys; sys.exit(0 if float('${FIT:-0}') > 0.9 else 1)"
}

# e2e_locate PAGE.png: waits until the page drawn headless is on the screen; sets OX, OY.
e2e_locate() {
  wait_until 30 page_found "$1" || fail "the page is not on the screen (best fit ${FIT:-none} at ${OX:-?},${OY:-?})"
  step "page at $OX,$OY (fit $FIT)"
}

# page_shown PAGE.png: the screen shows PAGE at OX, OY now (set by e2e_locate).
page_shown() {
  import -window root "$WORK/now.png"
  python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) > 0.97 else 1)" "$(e2e_fit "$WORK/now.png" "$1")"
}

# The sample notebook (about 60 days with photos) made at $1 by the maker in $TOOLS_DIR.
e2e_sample_notebook() {
  [ -x "$TOOLS_DIR/sample_notebook" ] || fail "no sample notebook maker in $TOOLS_DIR"
  QT_QPA_PLATFORM=offscreen timeout 60 "$TOOLS_DIR/sample_notebook" "$1" >/dev/null 2>&1 ||
    fail "the sample notebook could not be made at $1"
}

# notebook_days PROGRAM NOTEBOOK: the notebook's days, YYYY-MM-DD in order, as the program
# itself tells a day file from any other file (through its CSV export).
notebook_days() {
  "$1" --export-csv "$WORK/days.csv" --notebook "$2" >/dev/null 2>&1 || return 1
  tail -n +2 "$WORK/days.csv" | cut -d, -f1
}

# e2e_fit SCREEN.png PAGE.png: how well the page drawn headless matches the screen at OX, OY.
e2e_fit() {
  timeout 60 python3 "$E2E_LIB/match.py" compare "$1" "$2" "$OX" "$OY"
}

# calendar_cell DAY: sets X, Y to the centre of DAY's thumbnail in this month's calendar.
calendar_cell() {
  local cx cy cw ch pw ph cell
  cx=$(layout Calender X); cy=$(layout Calender Y); cw=$(layout Calender Width); ch=$(layout Calender Height)
  pw=$(layout Calender PicWidth); ph=$(layout Calender PicHeight)
  : "${cx:=10}" "${cy:=10}" "${cw:=80}" "${ch:=60}" "${pw:=80}" "${ph:=60}"
  cell=$(($(date -d "$(today_as %Y-%m-01)" +%w) + $1 - 1))
  X=$((OX + cx + (cell % 7) * cw + pw / 2))
  Y=$((OY + cy + (cell / 7) * ch + ph / 2))
}

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds; fails after SECONDS.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# shown TITLE: a visible window whose title matches is on the screen.
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
gone() { ! shown "$1"; }

# The visible windows of the program (menus and message boxes included), sorted.
e2e_windows() { xdotool search --onlyvisible --classname kelto 2>/dev/null | sort || true; }
new_window_since() { [ -n "$(comm -13 <(printf '%s\n' "$1") <(e2e_windows))" ]; }

# focus_window ID: gives ID the keyboard focus and waits until it has it.
focus_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null && return 0
  xdotool windowfocus "$1" 2>/dev/null || true
  wait_until 10 bash -c '[ "$(xdotool getwindowfocus)" = "$1" ]' _ "$1"
}

# focus TITLE [SECONDS]: waits for a visible window whose title matches, focuses it, prints its id.
focus() {
  local id
  wait_until "${2:-15}" shown "$1" || return 1
  id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
  focus_window "$id" || return 1
  echo "$id"
}

# menu_command WINDOW MENU_KEY ITEM_KEY: opens a menu of WINDOW by its mnemonic, waits until the
# popup is on the screen, then chooses the item by its mnemonic.
menu_command() {
  local before
  focus_window "$1" || fail "cannot focus window $1"
  before=$(e2e_windows)
  xdotool key "alt+$2"
  wait_until 20 new_window_since "$before" || fail "the menu alt+$2 did not open"
  xdotool key "$3"
}

# Opens the internet settings of window $1, switches the internet on (answering Yes) and picks
# 東京都 from the prefectures the local weather site serves (its log: $WORK/requests.log).
internet_settings_tokyo() {
  step "internet settings"
  menu_command "$1" d i
  focus 'インターネット設定ダイアログ' 20 >/dev/null || fail "the internet settings dialog did not open"
  xdotool key space   # the check box has the focus first
  focus '^Kelto$' 20 >/dev/null || fail "the program did not ask before going on the internet"
  xdotool key Return  # Yes
  focus 'インターネット設定ダイアログ' 20 >/dev/null || fail "back to the dialog"
  # The prefectures come first; a failure to fetch them is a message box over the dialog.
  wait_until 20 grep -qs prefecture "$WORK/requests.log" || fail "the prefecture list was not fetched"
  # Prefectures: 宗谷地方, 石狩地方, 青森県, 東京都 ...
  xdotool key Tab Down Down Down Down
  wait_until 20 grep -q 'prec_no=44' "$WORK/requests.log" || fail "no station list fetched for prefecture 44"
}

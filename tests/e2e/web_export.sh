#!/usr/bin/env bash
# The web export from the command line, opened in a real browser. The sample notebook (a memo
# holding markup, a photo path in its day file) and a class of three notebooks, one with a photo
# that cannot be read, are exported without a display; what the command line adds is checked on
# disk (the marker, the time-lapse, a foreign folder and the notebook itself refused and left
# alone, the unreadable notebook reported with a failing status, no path of this machine in the
# class site) and then every page is
# opened from file:// in Debian's chromium, driven by puppeteer-core, at 768x1024 and 1366x768
# (tests/web/site_check.mjs). The screenshots stay in build/test-output/web_export/.
# Usage: web_export.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin web_export 280
for tool in chromium node npm ffprobe iconv; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
done
e2e_copy_program "$PROGRAM_DIR"
KELTO="$WORK/prog/kelto"
BUILD_DIR=$(cd "$PROGRAM_DIR/.." && pwd)
OUT="$BUILD_DIR/test-output/web_export"
rm -rf "$OUT" && mkdir -p "$OUT"

NOTE="$WORK/data/たろう"
mkdir -p "$WORK/data"
e2e_sample_notebook "$NOTE"
MEMO_DAY=$(find "$NOTE" -maxdepth 1 -name '[0-9]*.jpg' | sort | sed -n 3p)
MEMO_DAY=$(basename "$MEMO_DAY" .jpg)
SCRIPT_MEMO_TEXT='<script>window.memoRan=true</script>'
printf '%s\r\n<b>ふとじ？</b> & "いんよう"\r\n' "$SCRIPT_MEMO_TEXT" | iconv -f UTF-8 -t CP932 >"$NOTE/$MEMO_DAY.txt"
printf '[Photo]\r\nSourcePath=%s/camera/IMG_0001.JPG\r\n' "$WORK" >>"$NOTE/$MEMO_DAY.dat"

step "export the notebook"
SITE="$WORK/site"
"$KELTO" --export-web "$SITE" --notebook "$NOTE" >"$WORK/out" 2>"$WORK/err" || fail "export: $(cat "$WORK/err")"
[ -f "$SITE/.kelto-web" ] || fail "no marker in the site"
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 \
  "$SITE/timelapse.mp4")
[ "$frames" = "$(ls "$NOTE"/[0-9]*.jpg | wc -l)" ] || fail "the time-lapse has $frames frames"

step "refuse a foreign folder"
mkdir "$WORK/mine" && echo keep >"$WORK/mine/letter.txt"
LANG=ja_JP.UTF-8 "$KELTO" --export-web "$WORK/mine" --notebook "$NOTE" 2>"$WORK/err" && fail "a foreign folder was replaced"
grep -q "置き換えられません" "$WORK/err" || fail "no message for a foreign folder: $(cat "$WORK/err")"
[ "$(ls "$WORK/mine")" = letter.txt ] || fail "the foreign folder was changed"

step "refuse the notebook, even with a marker planted in it"
touch "$NOTE/.kelto-web"
"$KELTO" --export-web "$NOTE" --notebook "$NOTE" 2>"$WORK/err" && fail "the notebook was replaced by its site"
[ -f "$NOTE/Kelto.dat" ] && [ -f "$NOTE/$MEMO_DAY.txt" ] || fail "the notebook lost files"
rm "$NOTE/.kelto-web"

step "export the class"
QT_QPA_PLATFORM=offscreen timeout 60 "$TOOLS_DIR/sample_notebook" --days 30 "$WORK/data/はなこ" >/dev/null 2>&1 ||
  fail "second notebook"
QT_QPA_PLATFORM=offscreen timeout 60 "$TOOLS_DIR/sample_notebook" --days 20 "$WORK/data/じろう" >/dev/null 2>&1 ||
  fail "third notebook"
broken=$(ls "$WORK/data/じろう"/[0-9]*.jpg | head -1)
echo "not a photo" >"$broken"
CLASS="$WORK/class"
"$KELTO" --export-web "$CLASS" --class "$WORK/data" >"$WORK/out" 2>"$WORK/err" && fail "a failed notebook left the status 0"
grep -q "じろう" "$WORK/err" || fail "the unreadable notebook was not reported: $(cat "$WORK/err")"
for who in たろう はなこ; do
  [ -f "$CLASS/notebooks/$who/index.html" ] || fail "$who has no site in the class"
done
grep -rlF "$WORK" "$CLASS" && fail "a path of this machine is in the class site"

# Without the npm registry: what chromium alone can show from the command line. Every link and
# picture names a file of the site, every picture decodes, the memo page as chromium parsed it
# holds the memo as text and no script, and the screenshots are taken.
chromium_only() {
  local flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
    --disable-component-update --disable-sync "--user-data-dir=$WORK/chromium")
  local page link
  for page in $(cd "$SITE" && ls *.html) $(cd "$CLASS" && find . -name '*.html'); do
    for site in "$SITE" "$CLASS"; do
      [ -f "$site/$page" ] || continue
      for link in $(grep -o -E '(src|href)="[^"]*"' "$site/$page" | sed -E 's/^[a-z]+="([^"#]*).*/\1/'); do
        link=$(printf '%b' "${link//%/\\x}")
        [ -e "$(dirname "$site/$page")/$link" ] || fail "$page: $link leads nowhere"
      done
    done
  done
  identify "$SITE"/thumbs/*.jpg "$SITE"/photos/*.jpg >/dev/null || fail "a picture does not decode"
  timeout 60 chromium "${flags[@]}" --dump-dom "file://$SITE/day-$MEMO_DAY.html" >"$WORK/dom" 2>/dev/null
  grep -qF '&lt;script&gt;window.memoRan=true&lt;/script&gt;' "$WORK/dom" || fail "the memo is not shown as text"
  grep -q '<script' "$WORK/dom" && fail "the memo page holds a script"
  for size in 768,1024 1366,768; do
    timeout 60 chromium "${flags[@]}" --window-size=$size --screenshot="$OUT/index-${size/,/x}.png" "file://$SITE/index.html" 2>/dev/null
    timeout 60 chromium "${flags[@]}" --window-size=$size --screenshot="$OUT/day-${size/,/x}.png" "file://$SITE/day-$MEMO_DAY.html" 2>/dev/null
    timeout 60 chromium "${flags[@]}" --window-size=$size --screenshot="$OUT/class-${size/,/x}.png" "file://$CLASS/index.html" 2>/dev/null
  done
  [ "$(ls "$OUT"/*.png | wc -l)" = 6 ] || fail "chromium took no screenshots"
}

step "open every page in chromium"
DRIVER="$BUILD_DIR/web-browser"
mkdir -p "$DRIVER"
if ! cmp -s "$(dirname "$0")/../web/package-lock.json" "$DRIVER/package-lock.json" || [ ! -d "$DRIVER/node_modules" ]; then
  cp "$(dirname "$0")/../web/package.json" "$(dirname "$0")/../web/package-lock.json" "$DRIVER/"
  (cd "$DRIVER" && PUPPETEER_SKIP_DOWNLOAD=1 timeout 180 npm ci --no-audit --no-fund >"$WORK/npm.log" 2>&1) ||
    rm -rf "$DRIVER/node_modules" "$DRIVER/package-lock.json"
fi
if [ ! -d "$DRIVER/node_modules" ]; then
  step "npm could not install puppeteer-core ($(tail -1 "$WORK/npm.log")): chromium from the command line only"
  chromium_only
else
  cp "$(dirname "$0")/../web/site_check.mjs" "$DRIVER/"
  MEMO_DAY="day-$MEMO_DAY.html" SCRIPT_MEMO_TEXT="$SCRIPT_MEMO_TEXT" timeout 200 node "$DRIVER/site_check.mjs" "$OUT" \
    "$SITE" "$CLASS" >"$WORK/check" 2>&1 || fail "in the browser: $(cat "$WORK/check")"
  cat "$WORK/check"
  rm -rf "$OUT"/profile-*
fi
step "screenshots in $OUT"
echo "$E2E_NAME: ok"

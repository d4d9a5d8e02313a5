#!/usr/bin/env bash
# Pages drawn without a display: the sample notebook's calendar and detail page rendered to PNG,
# checked for size and content, and the errors for a bad date and an unwritable file.
# Usage: render_pages.sh <programFolder> <toolsDir>
set -euo pipefail
# Only the pinned day and the helpers: no display is needed here.
source "$(dirname "$0")/lib/common.sh"

PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
WORK=$(mktemp -d /tmp/kelto-render.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "render_pages.sh: FAIL: $*"; exit 1; }

NOTE="$WORK/観察ノート"
e2e_sample_notebook "$NOTE"
DAY=$(notebook_days "$PROGRAM_DIR/kelto" "$NOTE" | tail -1)
[ -n "$DAY" ] || fail "the sample notebook has no days"

for page in calendar detail; do
  "$PROGRAM_DIR/kelto" --render "$page" --date "$DAY" --out "$WORK/$page.png" --notebook "$NOTE" 2>"$WORK/err" \
    || fail "$page: $(cat "$WORK/err")"
  size=$(identify -format '%wx%h' "$WORK/$page.png")
  [ "$size" = "780x496" ] || fail "$page is $size"
  # A drawn page has many colours (photos, text); an empty one has a handful.
  colours=$(convert "$WORK/$page.png" -format '%k' info:)
  [ "$colours" -gt 500 ] || fail "$page has only $colours colours"
done

if "$PROGRAM_DIR/kelto" --render detail --date 2013-02-30 --out "$WORK/x.png" --notebook "$NOTE" 2>"$WORK/err"; then
  fail "a date that does not exist was accepted"
fi
grep -q "date" "$WORK/err" || fail "no message for the bad date"
if "$PROGRAM_DIR/kelto" --render calendar --date "$DAY" --out "$WORK/missing/x.png" --notebook "$NOTE" 2>"$WORK/err"; then
  fail "an unwritable file was reported as written"
fi
grep -q "cannot write" "$WORK/err" || fail "no message for the unwritable file"
[ ! -e "$WORK/x.png" ] || fail "a file was written for the bad date"
echo "render_pages.sh: ok"

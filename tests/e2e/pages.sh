#!/usr/bin/env bash
# The graph and the list in the real window: from the calendar, the toolbar's graph button shows
# the month's graph as the headless render draws it, hovering left of the days over a scale
# shows its legend, and the list button shows the list of the last six days.
# Usage: pages.sh <programFolder> <toolsDir>. Screenshots go to $KELTO_E2E_SHOTS when set.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin pages 150
SHOTS=${KELTO_E2E_SHOTS:-$WORK}

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/sample"
e2e_sample_notebook "$NOTEBOOK"
# Series in colours, as a user sets them in the graph settings.
printf '[Graph]\r\nColor1=#2E8B3A\r\nColor2=#6B8E23\r\nColor3=#9ACD32\r\nColor4=#1E90FF\r\nColor5=#4169E1\r\nColor6=#DC143C\r\nColor7=#FFA500\r\nColor8=#8B4513\r\n' \
  >"$WORK/prog/Kelto.ini"

for page in calendar graph list; do
  (cd "$WORK/prog" && timeout 30 ./kelto --render "$page" --date "$KELTO_TODAY" --notebook "$NOTEBOOK" \
    --out "$WORK/$page.png") || fail "cannot render the $page"
done

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
timeout 20 xdotool search --sync --onlyvisible --name Kelto >/dev/null || fail "no Kelto window"
focus 'Kelto\[sample\]' 50 >/dev/null || fail "the notebook did not open"
e2e_locate "$WORK/calendar.png"

# The toolbar stands right above the page; its buttons, by their captions under the icons.
toolbar_button() {
  local want=$1 x
  for x in $(seq $((OX + 300)) 6 $((OX + 560))); do
    timeout 5 xdotool mousemove --sync "$x" $((OY - 27)) click 1
    import -window root "$WORK/now.png"
    [ "$(e2e_fit "$WORK/now.png" "$WORK/$want.png")" \> 0.97 ] && return 0
  done
  return 1
}
step "graph from the toolbar"
toolbar_button graph || fail "the graph is not shown"
wait_until 20 page_shown "$WORK/graph.png" || fail "the graph differs from its render"
import -window root "$SHOTS/pages-graph.png"

step "legend of the length scale"
GX=$(layout Graph X); G3Y=$(layout Graph3 Y)
timeout 5 xdotool mousemove --sync $((OX + GX - 30)) $((OY + G3Y - 20))
legend_shown() { [ "$(e2e_windows | wc -l)" -gt 1 ]; }
wait_until 10 legend_shown || fail "no legend"
import -window root "$SHOTS/pages-legend.png"
timeout 5 xdotool mousemove --sync $((OX + GX + 200)) $((OY + G3Y - 20))

step "list from the toolbar"
toolbar_button list || fail "the list is not shown"
wait_until 20 page_shown "$WORK/list.png" || fail "the list differs from its render"
import -window root "$SHOTS/pages-list.png"
step "done"

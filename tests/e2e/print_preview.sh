#!/usr/bin/env bash
# Printing: the whole sample notebook into a PDF file from the command line (sheets counted by
# pdfinfo), then the real print settings dialog and its preview paged through under Xvfb, with
# screenshots of the first and the second sheet, and the same sheets printed from the system
# print dialog into a PDF file.
# Usage: print_preview.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
TOOLS_DIR=${2:?tools folder}
e2e_begin print_preview 200
SHOT1=${KELTO_E2E_PREVIEW_SHOT:-/tmp/kelto-e2e-preview-1.png}
SHOT2=${SHOT1%-1.png}-2.png
command -v pdfinfo >/dev/null || fail "pdfinfo is missing"

e2e_copy_program "$PROGRAM_DIR"
NOTEBOOK="$WORK/prog/data/sample"
e2e_sample_notebook "$NOTEBOOK"
mapfile -t DAYS < <(notebook_days "$WORK/prog/kelto" "$NOTEBOOK")
N=${#DAYS[@]}
[ "$N" -gt 6 ] || fail "the sample notebook has only $N days"

step "print the whole notebook into a PDF file"
first=${DAYS[0]} last=${DAYS[$((N - 1))]}
MONTHS=$(((10#${last:0:4} - 10#${first:0:4}) * 12 + 10#${last:5:2} - 10#${first:5:2} + 1))
SHEETS=$(((N + MONTHS + (N + 5) / 6 + 1) / 2))
"$WORK/prog/kelto" --print-pdf "$WORK/all.pdf" --notebook "$NOTEBOOK" 2>"$WORK/err" || fail "--print-pdf: $(cat "$WORK/err")"
pages=$(pdfinfo "$WORK/all.pdf" | awk '/^Pages:/ { print $2 }')
[ "$pages" = "$SHEETS" ] || fail "the PDF has $pages sheets, not $SHEETS ($N days, $MONTHS months)"
if "$WORK/prog/kelto" --print-pdf "$WORK/no/such/folder.pdf" --notebook "$NOTEBOOK" 2>"$WORK/err"; then
  fail "a PDF in a missing folder was reported as written"
fi

e2e_start_display
"$WORK/prog/kelto" "$NOTEBOOK" >"$WORK/kelto.log" 2>&1 &
KELTO_PID=$!
MAIN=$(focus 'Kelto\[sample\]' 50) || fail "the notebook did not open"

step "file menu, print: every kind, all data, then the preview"
menu_command "$MAIN" f p
focus '印刷設定' 20 >/dev/null || fail "the print settings dialog did not open"
# From 詳細データ: tick グラフ and 一覧表, choose すべてのデータ, then press 印刷ﾌﾟﾚﾋﾞｭ.
timeout 20 xdotool key --delay 80 Tab space Tab space Tab Down Tab space
PREVIEW=$(focus '印刷プレビュ' 30) || fail "the preview did not open"

# sheet_painted SHOT: the sheet area of the preview (at 16, 16 of the dialog) shows a drawn
# sheet: mostly white paper with lines, text and photos on it.
sheet_painted() {
  import -window root "$1" 2>/dev/null || return 1
  eval "$(xdotool getwindowgeometry --shell "$PREVIEW")"
  convert "$1" -crop "400x600+$((X + 16))+$((Y + 16))" +repage "$1.sheet.png"
  [ "$(convert "$1.sheet.png" -format '%[fx:mean > 0.7 && mean < 0.99 ? 1 : 0]' info:)" = 1 ]
}
wait_until 30 sheet_painted "$SHOT1" || fail "the first sheet is not shown (screenshot $SHOT1)"
step "sheet 1 shown (screenshot $SHOT1)"

# From the sheet number: the sheet count, then 次ページ.
timeout 10 xdotool key --delay 80 Tab Tab space
turned() {
  sheet_painted "$SHOT2" || return 1
  [ "$(compare -metric AE "$SHOT1.sheet.png" "$SHOT2.sheet.png" null: 2>&1 | cut -d' ' -f1)" -gt 1000 ]
}
wait_until 30 turned || fail "次ページ did not turn to the next sheet (screenshot $SHOT2)"
step "sheet 2 shown (screenshot $SHOT2)"
timeout 10 xdotool key --delay 80 space space

step "close the preview, then print the same sheets through the system print dialog"
timeout 10 xdotool key Escape
wait_until 20 gone '印刷プレビュ' || fail "the preview did not close"
focus '印刷設定' 20 >/dev/null || fail "the print settings dialog did not stay open"
timeout 10 xdotool key Return
focus '^印刷$' 30 >/dev/null || fail "the system print dialog did not open"
# Its output file (a PDF file is what it offers without printers), then its print button: Tab
# first takes the focus from the name, which closes the file name completion's list.
timeout 10 xdotool key alt+f ctrl+a
timeout 20 xdotool type --delay 10 "$WORK/printed.pdf"
timeout 10 xdotool key --delay 100 Tab alt+p
wait_until 30 test -s "$WORK/printed.pdf" || fail "nothing was printed"
wait_until 20 gone '印刷設定' || fail "the print settings dialog did not close after printing"
printed_pages() { [ "$(pdfinfo "$WORK/printed.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')" = "$SHEETS" ]; }
wait_until 20 printed_pages || fail "the printed PDF does not have the $SHEETS sheets of the preview"
kill -0 "$KELTO_PID" 2>/dev/null || fail "the program ended"
step "PASS (preview screenshots $SHOT1 and $SHOT2)"

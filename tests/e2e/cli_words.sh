#!/usr/bin/env bash
# The command line's words follow the locale: Japanese under a Japanese locale (LC_ALL, else
# LC_MESSAGES, else LANG), as the window says them, and English otherwise, for its own
# messages, the help and the numbered messages alike.
# Usage: cli_words.sh <programFolder> <toolsDir>
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
PROGRAM_DIR=${1:?program folder}
e2e_begin cli_words 120
e2e_copy_program "$PROGRAM_DIR"
KELTO="$WORK/prog/kelto"
ONE="$WORK/one"  # a notebook with a single photo day
mkdir -p "$ONE"
printf '[Data]\r\nStartDate=2024/05/01\r\nKindName=x\r\n' >"$ONE/Kelto.dat"
printf '[Growth]\r\nDataHeight=1.0\r\n' >"$ONE/20240501.dat"
convert -size 64x48 xc:green "$ONE/20240501.jpg"
mkdir -p "$WORK/photos"
convert -size 64x48 xc:blue "$WORK/photos/undated.jpg"  # no EXIF date

# locale | exit status | words looked for in what it prints | arguments
check_table() {
  while IFS='|' read -r locale status words args; do
    read -ra argv <<<"$args"
    out=$(env $locale QT_QPA_PLATFORM=offscreen "$KELTO" "${argv[@]}" 2>&1) && got=0 || got=$?
    [ "$got" = "$status" ] || fail "$locale kelto $args: exit status $got, not $status: $out"
    grep -qF -- "$words" <<<"$out" || fail "$locale kelto $args: no \"$words\" in: $out"
    # Qt's own warnings (a text filled with an argument it has no place for) never reach the user.
    ! grep -qF "QString::arg" <<<"$out" || fail "$locale kelto $args: a Qt warning in: $out"
    step "$locale kelto ${argv[0]}: $words"
  done
}
check_table <<TABLE
LANG=ja_JP.UTF-8|0|使い方:|--help
LANG=C|0|Usage:|--help
LANG=ja_JP.UTF-8|1|使えないオプションです: --bogus|--bogus
LANG=C|1|unknown option: --bogus|--bogus
LANG=C|1|--export-csv|--export-csv
LC_ALL=ja_JP.UTF-8 LANG=C|1|--date には実在する日付を|--render detail --date 2013-02-30 --out $WORK/x.png --notebook $ONE
LC_ALL=C LANG=ja_JP.UTF-8|1|--date must be a real date|--render detail --date 2013-02-30 --out $WORK/x.png --notebook $ONE
LC_MESSAGES=ja_JP.UTF-8 LANG=C|1|写真のある日が2日以上必要です|--export-video $WORK/v.avi --notebook $ONE
LANG=C|1|A video needs photos on at least two days|--export-video $WORK/v.avi --notebook $ONE
LANG=ja_JP.UTF-8|1|インターネットを使わない設定です|--fetch-weather --notebook $ONE
LANG=C|1|EnableInternet=0 in|--fetch-weather --notebook $ONE
LANG=ja_JP.UTF-8|1|ノートのフォルダーではありません|--export-csv $WORK/x.csv --notebook $WORK
LANG=C|1|not a notebook folder|--export-csv $WORK/x.csv --notebook $WORK
LANG=ja_JP.UTF-8|1|ファイルに書き込めません: $WORK/none/x.csv|--export-csv $WORK/none/x.csv --notebook $ONE
LANG=C|1|cannot write the file: $WORK/none/x.csv|--export-csv $WORK/none/x.csv --notebook $ONE
LANG=C|1|$WORK/none/x.pdf: |--print-pdf $WORK/none/x.pdf --notebook $ONE
LANG=ja_JP.UTF-8|1|印刷するページがありません|--print-pdf $WORK/x.pdf --notebook $ONE --kinds detail --range month --date 2020-01-15
LANG=C|1|nothing to print|--print-pdf $WORK/x.pdf --notebook $ONE --kinds detail --range month --date 2020-01-15
LANG=ja_JP.UTF-8|0|撮影日付がないため読み飛ばしたファイル: 1個|--import-photos $WORK/photos --notebook $ONE
LANG=C|0|skipped, no date: 1|--import-photos $WORK/photos --notebook $ONE
TABLE
# With the internet switched on, the place is asked for next.
printf '[Data]\r\nEnableInternet=1\r\n' >"$WORK/prog/Kelto.ini"
check_table <<TABLE
LANG=ja_JP.UTF-8|1|観測場所の設定が行われていません|--fetch-weather --notebook $ONE
LANG=C|1|No observation place is set|--fetch-weather --notebook $ONE
TABLE
step "PASS"

#!/bin/bash
# Fails when a text of the program's own words (Words::tr, QT_TRANSLATE_NOOP("Words", ...)) has
# no Japanese in the catalogue: the command line would say it in English under Japanese.
# Usage: catalogue.sh LUPDATE SOURCE_DIR
lupdate=${1:?lupdate}
src=${2:?source folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$src/res/kelto_ja.ts" "$work/kelto_ja.ts"
"$lupdate" -silent -locations none -no-obsolete "$src" -ts "$work/kelto_ja.ts" || exit 1
if grep -q 'type="unfinished"' "$work/kelto_ja.ts"; then
    echo "catalogue: texts without Japanese in src/res/kelto_ja.ts:"
    grep -B2 'type="unfinished"' "$work/kelto_ja.ts" | grep '<source>'
    exit 1
fi

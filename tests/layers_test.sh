#!/bin/bash
# Checks tests/layers.sh on small source trees: each case writes a few files and says whether
# the layer check must pass or fail.
layers="$(dirname "$0")/layers.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# check NAME EXPECTED(pass|fail) FILE=INCLUDE...
check() {
    local name=$1 expected=$2 tree="$work/$1/src"
    shift 2
    mkdir -p "$tree"/{res,platform/qt,store,photos,views,app}
    touch "$tree"/res/Strings.h "$tree"/platform/Result.h "$tree"/platform/qt/QtPrompt.h \
        "$tree"/store/DayRecord.h "$tree"/photos/PictureFile.h "$tree"/views/PageDraw.h "$tree"/app/CNotebook.h
    for entry in "$@"; do
        mkdir -p "$(dirname "$tree/${entry%%=*}")"
        echo "#include \"${entry#*=}\"" >>"$tree/${entry%%=*}"
    done
    local got=pass
    bash "$layers" "$tree" >"$work/$name.out" 2>&1 || got=fail
    if [ "$got" != "$expected" ]; then
        echo "FAIL $name: expected $expected, got $got"
        cat "$work/$name.out"
        failures=$((failures + 1))
    fi
}
check downward pass store/DayRecord.cpp=photos/PictureFile.h views/PageDraw.cpp=store/DayRecord.h \
    app/CNotebook.cpp=views/PageDraw.h platform/Result.cpp=res/Strings.h
check own_folder pass views/PageDraw.cpp=PageDraw.h platform/qt/QtPrompt.cpp=../Result.h
check upward fail store/DayRecord.cpp=views/PageDraw.h
check upward_relative fail store/DayRecord.cpp=../views/PageDraw.h
check upward_from_subfolder fail platform/qt/QtPrompt.cpp=../../app/CNotebook.h
check outside_src fail store/DayRecord.cpp=../../tests/Fixture.h
check same_tier_circle fail store/DayRecord.cpp=photos/PictureFile.h photos/PictureFile.cpp=store/DayRecord.h
check same_tier_circle_relative fail store/DayRecord.cpp=../photos/PictureFile.h \
    photos/PictureFile.cpp=../store/DayRecord.h
check unknown_folder fail misc/Thing.cpp=store/DayRecord.h
[ "$failures" -eq 0 ] && echo "layers_test: every case as expected"
exit "$failures"

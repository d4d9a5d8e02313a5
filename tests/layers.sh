#!/bin/bash
# Fails when a source folder includes a header from a folder above it, or when folders include
# each other in a circle (store includes photos and photos includes store, say). Tiers from the
# bottom: res; platform; store, photos, weather; views, animation, print; web; app. A folder may
# include from its own tier and the tiers below, as long as no circle comes of it. Includes are
# read as the compiler finds them: "store/DayRecord.h" from src/, "../views/PageDraw.h" and
# "PageDraw.h" from the including file's own folder.
src="$(realpath "${1:-$(dirname "$0")/../src}")"
tier() {
    case "$1" in
        res) echo 0 ;;
        platform) echo 10 ;;
        store|photos|weather) echo 20 ;;
        views|animation|print) echo 30 ;;
        web) echo 35 ;;
        app) echo 40 ;;
        *) echo -1 ;;
    esac
}
status=0
declare -A edge  # "from to" -> the first include that makes it
for dir in "$src"/*/; do
    from=$(basename "$dir")
    mine=$(tier "$from")
    if [ "$mine" -lt 0 ]; then
        echo "layers: src/$from has no place in the layer order (tests/layers.sh)"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        [[ "$text" =~ \"([^\"]+)\" ]] || continue
        name="${BASH_REMATCH[1]}"
        here="${file%/*}"
        case "$name" in
            ./*|../*) path=$(realpath -m "$here/$name") ;;
            *) if [ -e "$here/$name" ]; then path=$(realpath -m "$here/$name"); else path="$src/$name"; fi ;;
        esac
        where="${file#"$src"/}:$line"
        case "$path" in
            "$src"/*/*) to="${path#"$src"/}"; to="${to%%/*}" ;;
            *) echo "layers: $where includes from outside src/: $text"; status=1; continue ;;
        esac
        [ "$to" = "$from" ] && continue
        theirs=$(tier "$to")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$mine" ]; then
            echo "layers: $where includes from src/$to: $text"
            status=1
        fi
        [ -n "${edge["$from $to"]}" ] || edge["$from $to"]="$where: $text"
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$dir")
done
# A circle between folders: tsort names the folders on it.
loop=$(for e in "${!edge[@]}"; do echo "$e"; done | tsort 2>&1 >/dev/null | sed -n 's/^tsort: \([a-z]*\)$/\1/p')
if [ -n "$loop" ]; then
    mapfile -t members <<<"$loop"
    echo "layers: these folders include each other in a circle: ${members[*]}"
    for a in "${members[@]}"; do
        for b in "${members[@]}"; do
            [ -n "${edge["$a $b"]}" ] && echo "layers:   ${edge["$a $b"]}"
        done
    done
    status=1
fi
[ "$status" -eq 0 ] && echo "layers: every include points down, and no folders include each other"
exit "$status"

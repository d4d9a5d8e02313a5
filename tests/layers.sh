#!/bin/bash
# Fails when a source folder includes a header from a folder above it. Tiers from the bottom:
# res; platform; store, photos, weather; views, animation, print; web; app. A folder may include
# from its own tier and the tiers below.
src="${1:-$(dirname "$0")/../src}"
tier() {
    case "$1" in
        res) echo 0 ;;
        platform) echo 1 ;;
        store|photos|weather) echo 2 ;;
        views|animation|print) echo 3 ;;
        web) echo 4 ;;
        app) echo 5 ;;
        *) echo -1 ;;
    esac
}
status=0
for dir in "$src"/*/; do
    from=$(basename "$dir")
    mine=$(tier "$from")
    if [ "$mine" -lt 0 ]; then
        echo "layers: src/$from has no place in the layer order (tests/layers.sh)"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        to=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$text")
        theirs=$(tier "$to")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$mine" ]; then
            echo "layers: ${file#"$src"/}:$line includes from src/$to: $text"
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z]+/' "$dir")
done
[ "$status" -eq 0 ] && echo "layers: every include points down"
exit "$status"

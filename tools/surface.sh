#!/bin/bash
# The controller's public surface against what the rest of the program calls of it.
# Usage: tools/surface.sh [-v]    (-v lists every public name with where it is used)
# A name counts as used from outside when a file of src/ other than the controller's own
# (src/app/CNotebook*, src/app/NotebookPages.cpp) calls it through an object (x.Name( or
# x->Name() or takes &CNotebook::Name; a name used only by tests/ is reported as such.
set -euo pipefail
cd "$(dirname "$0")/.."
header=src/app/CNotebook.h
own='^src/app/(CNotebook[A-Za-z]*\.(h|cpp)|NotebookPages\.cpp)$'

# Public names: declarations in the public sections of the class (comments and bodies dropped).
names=$(sed -n '/^class CNotebook {/,/^};/p' "$header" | sed 's,//.*,,' | awk '
    /^(public|private|protected):/ { pub = ($1 == "public:"); next }
    pub && /^    [^ ]/ && match($0, /(~?[A-Za-z_][A-Za-z0-9_]*|operator=)[ ]*\(/) {
        s = substr($0, RSTART, RLENGTH); sub(/[ ]*\($/, "", s); print s }' | sort -u)

outside=$(git ls-files src | grep -E '\.(h|cpp)$' | grep -Ev "$own" || true)
tests=$(git ls-files tests bench | grep -E '\.(h|cpp)$' || true)
total=0 used=0 testonly=0 none=0
for n in $names; do
    total=$((total + 1))
    pat="(\.|->)$n[[:space:]]*\(|CNotebook::$n\b"
    [[ $n == CNotebook || $n == ~CNotebook || $n == operator= ]] && pat='\bCNotebook\b'
    if [[ -n $outside ]] && grep -qE "$pat" $outside; then
        used=$((used + 1)) where=outside
    elif [[ -n $tests ]] && grep -qE "$pat" $tests; then
        testonly=$((testonly + 1)) where=tests
    else
        none=$((none + 1)) where=none
    fi
    [[ ${1:-} == -v ]] && printf '%-8s %s\n' "$where" "$n"
done
printf 'public names %d, used from outside %d, only by tests %d, by nobody %d, ratio %s\n' \
    "$total" "$used" "$testonly" "$none" "$(echo "scale=2; $total / $used" | bc)"
wc -l src/app/*.h src/app/*.cpp | awk '$2 != "total" && $1 >= 500 { print "over 500 lines:", $2, $1 }'

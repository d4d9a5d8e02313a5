#!/usr/bin/env bash
# Fuzzes the readers with libFuzzer (clang, address and undefined-behaviour sanitizers).
#   tools/fuzz.sh [seconds] [target...]  each target for `seconds` (default 300), one at a time;
#                                        findings go to build-fuzz/findings/<target>/, the grown
#                                        corpus to build-fuzz/corpus/<target>/
#   tools/fuzz.sh --smoke                the test: each target over its seeds and the regressions
#                                        that are not listed in fuzz/regressions/OPEN, plus a short
#                                        fixed-seed mutation run; fails on any finding
# Targets: ini dayfile memo jpeg bmp exif weather. The build directory (KELTO_FUZZ_BUILD, default build-fuzz)
# is configured and built when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${KELTO_FUZZ_BUILD:-$src/build-fuzz}
all_targets=(ini dayfile memo jpeg bmp exif weather)

smoke=0
seconds=300
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

cc=$(command -v clang || command -v clang-14 || true)
cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "clang++ is missing (tools/setup.sh installs it)" >&2
  exit 1
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CC=$cc CXX=$cxx cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELTO_FUZZ=ON \
    -DKELTO_TESTS=OFF -DKELTO_BENCH=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$build" --target fuzz_all -j 2 >/dev/null

# Hangs and memory blow-ups are findings, not just crashes.
common=(-timeout=10 -print_final_stats=1)
max_len() { [ "$1" = memo ] && echo 65536 || echo 16384; }
# A photo of a few kilobytes has no business taking a gigabyte, whatever its header claims.
rss_limit() { case $1 in jpeg | bmp) echo 1024 ;; *) echo 2048 ;; esac; }

if [ $smoke -eq 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  status=0
  for t in "${targets[@]}"; do
    mkdir -p "$work/$t"
    cp "$src/fuzz/corpus/$t"/* "$work/$t/"
    if [ -d "$src/fuzz/regressions/$t" ]; then
      for f in "$src/fuzz/regressions/$t"/*; do
        [ -f "$f" ] || continue
        grep -qxF "$t/$(basename "$f")" "$src/fuzz/regressions/OPEN" 2>/dev/null && continue
        cp "$f" "$work/$t/"
      done
    fi
    # A fixed seed makes the short run the same every time; a target with an open fault only
    # replays its files.
    runs=2000
    grep -q "^$t/" "$src/fuzz/regressions/OPEN" 2>/dev/null && runs=0
    if ! "$build/fuzz/fuzz_$t" "${common[@]}" -rss_limit_mb="$(rss_limit "$t")" -seed=1 -runs=$runs -max_len=4096 \
      -artifact_prefix="$work/" "$work/$t" >"$work/$t.log" 2>&1; then
      mkdir -p "$build/findings/$t"
      cp "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-* "$build/findings/$t/" 2>/dev/null || true
      echo "fuzz_$t: finding (kept in $build/findings/$t)" >&2
      tail -40 "$work/$t.log" >&2
      status=1
    else
      echo "fuzz_$t: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$t.log" | grep -o '[0-9]*$') runs, no finding"
    fi
  done
  exit $status
fi

for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  echo "fuzz_$t: ${seconds}s, findings in $build/findings/$t/"
  # Fork mode keeps going after a finding, so one run collects several.
  "$build/fuzz/fuzz_$t" "${common[@]}" -rss_limit_mb="$(rss_limit "$t")" -max_total_time="$seconds" -max_len="$(max_len "$t")" \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$build/findings/$t/" "$build/corpus/$t" "$src/fuzz/corpus/$t" \
    2>&1 | tee "$build/findings/$t.log" | grep -E '^#[0-9]+.*(DONE|pulse)|INFO: fuzzed for|crash-|timeout-|oom-|leak-|slow-' || true
  ls "$build/findings/$t"
done

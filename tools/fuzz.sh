#!/usr/bin/env bash
# Fuzzes the readers with libFuzzer (clang, address and undefined-behaviour sanitizers).
#   tools/fuzz.sh [seconds] [target...]  each target for `seconds` (default 300), one at a time;
#                                        findings go to build/fuzz/findings/<target>/, the grown
#                                        corpus to build/fuzz/corpus/<target>/
#   tools/fuzz.sh --runs N [target...]   each target until it has made N executions (stops at
#                                        the first finding)
#   tools/fuzz.sh --merge [target...]    minimizes fuzz/corpus/<target> together with what the
#                                        runs above grew (-merge=1) and puts the result in its place
#   tools/fuzz.sh --smoke [target...]    the test under the label "fuzz": each target over its
#                                        seeds and the regressions that are not listed in
#                                        fuzz/regressions/OPEN, plus a short fixed-seed mutation
#                                        run; fails on any finding
#   tools/fuzz.sh --replay DIR           the default test: the replay_<target> programs of the
#                                        normal build (DIR) over the same files, no mutation
# Targets: ini dayfile align memo jpeg bmp exif weather. The build directory (KELTO_FUZZ_BUILD,
# default build/fuzz) is configured and built when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${KELTO_FUZZ_BUILD:-$src/build/fuzz}
all_targets=(ini dayfile align memo jpeg bmp exif weather)

mode=time
seconds=300
runs=0
case "${1:-}" in
--smoke | --merge) mode=${1#--}; shift ;;
--replay) mode=replay; replay_dir=${2:?the folder of the replay programs}; shift 2 ;;
--runs) mode=runs; runs=${2:?a number of executions}; shift 2 ;;
*) if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi ;;
esac
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

# The seeds and the mended regressions of a target, copied into one folder.
inputs() {
  local t=$1 into=$2
  mkdir -p "$into"
  cp "$src/fuzz/corpus/$t"/* "$into/"
  if [ -d "$src/fuzz/regressions/$t" ]; then
    for f in "$src/fuzz/regressions/$t"/*; do
      [ -f "$f" ] || continue
      grep -qxF "$t/$(basename "$f")" "$src/fuzz/regressions/OPEN" 2>/dev/null && continue
      cp "$f" "$into/"
    done
  fi
}

if [ $mode = replay ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  status=0
  for t in "${targets[@]}"; do
    inputs "$t" "$work/$t"
    if "$replay_dir/replay_$t" "$work/$t" >"$work/$t.log" 2>&1; then
      echo "replay_$t: $(tail -1 "$work/$t.log")"
    else
      echo "replay_$t: failed on the last file named:" >&2
      tail -20 "$work/$t.log" >&2
      status=1
    fi
  done
  exit $status
fi

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

# Hangs and memory blow-ups are findings, not just crashes: an input of a few kilobytes has no
# business taking seconds or hundreds of megabytes, whatever its header claims. The picture
# readers may hold their decoding budget (256 MB) besides what the sanitizers add.
common=(-timeout=3 -print_final_stats=1)
# AddressSanitizer keeps up to 256 MB of freed memory in quarantine, which a long run fills
# until the resident size passes the limits above without any input needing it: keep it small.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
rss_limit() { case $1 in jpeg | bmp) echo 700 ;; *) echo 400 ;; esac; }
# The EXIF walk must see files with many segments; a memo may be long.
max_len() { case $1 in exif) echo 393216 ;; memo) echo 65536 ;; *) echo 16384 ;; esac; }
limits() { echo -rss_limit_mb="$(rss_limit "$1")" -malloc_limit_mb="$(rss_limit "$1")" -max_len="$(max_len "$1")"; }

if [ $mode = smoke ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  status=0
  for t in "${targets[@]}"; do
    inputs "$t" "$work/$t"
    # A fixed seed makes the short run the same every time; a target with an open fault only
    # replays its files.
    n=2000
    grep -q "^$t/" "$src/fuzz/regressions/OPEN" 2>/dev/null && n=0
    # shellcheck disable=SC2046
    if ! "$build/fuzz/fuzz_$t" "${common[@]}" $(limits "$t") -max_len=4096 -seed=1 -runs=$n \
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

if [ $mode = merge ]; then
  for t in "${targets[@]}"; do
    merged=$(mktemp -d)
    # shellcheck disable=SC2046
    "$build/fuzz/fuzz_$t" -merge=1 $(limits "$t") "$merged" "$src/fuzz/corpus/$t" "$build/corpus/$t" >/dev/null 2>&1
    rm -f "$src/fuzz/corpus/$t"/*
    cp "$merged"/* "$src/fuzz/corpus/$t/"
    rm -rf "$merged"
    echo "fuzz_$t: $(ls "$src/fuzz/corpus/$t" | wc -l) files, $(du -sk "$src/fuzz/corpus/$t" | cut -f1) KB in fuzz/corpus/$t"
  done
  exit 0
fi

for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  if [ $mode = runs ]; then
    echo "fuzz_$t: $runs executions, findings in $build/findings/$t/"
    # shellcheck disable=SC2046
    "$build/fuzz/fuzz_$t" "${common[@]}" $(limits "$t") -runs="$runs" -artifact_prefix="$build/findings/$t/" \
      "$build/corpus/$t" "$src/fuzz/corpus/$t" 2>&1 | tee "$build/findings/$t.log" |
      grep -E '^#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|crash-|timeout-|oom-|leak-|slow-' || true
    continue
  fi
  echo "fuzz_$t: ${seconds}s, findings in $build/findings/$t/"
  # Fork mode keeps going after a finding, so one run collects several.
  # shellcheck disable=SC2046
  "$build/fuzz/fuzz_$t" "${common[@]}" $(limits "$t") -max_total_time="$seconds" \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$build/findings/$t/" "$build/corpus/$t" "$src/fuzz/corpus/$t" \
    2>&1 | tee "$build/findings/$t.log" | grep -E '^#[0-9]+.*(DONE|pulse)|INFO: fuzzed for|crash-|timeout-|oom-|leak-|slow-' || true
  ls "$build/findings/$t"
done

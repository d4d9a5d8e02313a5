#!/usr/bin/env bash
# Thread checks: builds the tests that start threads (the bulk import, the bulk weather fetch,
# the video export, printing, the UI-thread seam and the long jobs of the window) with
# ThreadSanitizer in their own build folder and runs them. Prints the reports and how many
# there were per program; exit status 1 when there was any.
#   tools/tsan.sh            build (KELTO_TSAN_BUILD, default build/tsan) and run
# Reports inside Qt and the other libraries, which are not built with the sanitizer, are
# suppressed in tools/tsan.supp, each with its reason; none is suppressed in the program's code.
# The tests run with tools/tsan_clone.c preloaded, so that starting a program through QProcess
# leaves the sanitizer's view of the test's threads and locks intact.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${KELTO_TSAN_BUILD:-$src/build/tsan}
qtests=(BulkImport_qtest WeatherBulk_qtest LongJobs_qtest VideoExport_qtest UiThread_qtest PrintDlg_qtest AnimationDlg_qtest)
# The GoogleTest suites of core_tests whose code runs on several threads.
gtests='BulkImport*:VideoExport*:Print*:PdfPhotos*:PrintPictures*:PictureFile*:WeatherMonths*:Progress*:PageFetcher*:WeatherServer*'

if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  flags="-fsanitize=thread -fno-omit-frame-pointer"
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELTO_BENCH=OFF "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
    -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread -DCMAKE_MODULE_LINKER_FLAGS=-fsanitize=thread >/dev/null
fi
cmake --build "$build" -j 2 --target core_tests "${qtests[@]}"
# QProcess's clone(CLONE_VM) confuses the sanitizer's record of the parent (tools/tsan_clone.c).
cc -O2 -shared -fPIC -o "$build/libkelto_tsanclone.so" tools/tsan_clone.c -ldl

logs=$build/reports
rm -rf "$logs"
mkdir -p "$logs"
export TSAN_OPTIONS="suppressions=$src/tools/tsan.supp halt_on_error=0 second_deadlock_stack=1 log_path=$logs/tsan"
export QT_QPA_PLATFORM=offscreen
export LD_PRELOAD=$build/libkelto_tsanclone.so
total=0
run() {
  local name=$1
  shift
  rm -f "$logs"/tsan.*
  local status=0
  "$@" >"$logs/$name.out" 2>&1 || status=$?
  local n=0
  for f in "$logs"/tsan.*; do
    [ -f "$f" ] || continue
    n=$((n + $(grep -c '^WARNING: ThreadSanitizer' "$f" || true)))
    cat "$f" >>"$logs/$name.tsan"
    rm -f "$f"
  done
  total=$((total + n))
  printf '%-20s %3d reports%s\n' "$name" "$n" "$([ $status -ne 0 ] && echo ", tests failed (status $status, see $logs/$name.out)")"
}
run core_tests "$build/tests/core_tests" --gtest_filter="$gtests"
for t in "${qtests[@]}"; do
  run "$t" "$build/tests/$t"
done
echo "ThreadSanitizer: $total reports (in $logs/*.tsan)"
[ "$total" -eq 0 ]

#!/usr/bin/env bash
# Builds the engine's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time, seeded from the
# fixtures, in read or write mode (see jet_fuzz.cpp). Fails on any finding.
# Mode build only builds it: the build runs it so that the tests' time limit
# covers the fuzzing alone, however slow the machine compiles.
#   run_fuzz.sh SOURCE_DIR WORK_DIR [SECONDS] [read|write|build]
set -euo pipefail
src=$1
work=$2
seconds=${3:-60}
mode=${4:-read}
fixtures=${TABLORIA_FIXTURES:-/work/shared/fixtures/mdb}
mkdir -p "$work/obj" "$work/corpus-$mode" "$work/seeds" "$work/findings"

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -I"$src/src")
sources=("$src"/src/jet/*.cpp "$src"/src/jet/sql/*.cpp "$src"/src/jet/index/*.cpp "$src"/src/jet/write/*.cpp
         "$src/tests/fuzz/jet_fuzz.cpp")
binary=$work/jet_fuzz

# Rebuild only what changed (sources or headers newer than the binary).
stale=0
[ -x "$binary" ] || stale=1
if [ $stale -eq 0 ] && [ -n "$(find "$src/src/jet" "$src/tests/fuzz" -newer "$binary" -print -quit)" ]; then stale=1; fi
if [ $stale -eq 1 ]; then
  # Objects are named by their path under the source tree: file names repeat across folders.
  rm -f "$work"/obj/*.o
  compile() { local rel=${1#"$src"/}; clang++ "${flags[@]}" -c "$1" -o "$work/obj/${rel//\//_}.o"; }
  for s in "${sources[@]}"; do
    compile "$s" &
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
  done
  wait
  clang++ -fsanitize=fuzzer,address,undefined "$work"/obj/*.o -o "$binary"
fi
[ "$mode" = build ] && exit 0

cp "$fixtures"/*.mdb "$work/seeds/"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
JET_FUZZ_MODE=$mode "$binary" "$work/corpus-$mode" "$work/seeds" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
  -max_len=4000000 -artifact_prefix="$work/findings/$mode-" -print_final_stats=1 2>&1 | tail -n 40
status=${PIPESTATUS[0]}
exit "$status"

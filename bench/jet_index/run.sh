#!/usr/bin/env bash
# Rows per second into an indexed table beside the same rows into a table
# without indexes, both whole processes timed in alternating rounds (medians,
# ratio indexed/plain: the goal is at most 2). Needs a build in ./build.
# BATCH > 0 runs the statements in batches of that many rows, as a send to
# Access does; 0 (the default) makes each INSERT a statement of its own.
#   bash bench/jet_index/run.sh [ROWS] [RUNS] [BATCH]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rows=${1:-1000000}
runs=${2:-3}
batch=${3:-0}
bench=$root/build/bench/jet_index/jet_index_bench
# Each command's own rows-per-second lines, beside farm-bench's timing.
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
farm-bench -n "$runs" --warmup 0 --timeout 3600 \
  --vs "sh -c 'exec $bench $rows plain --batch=$batch >>$out/plain.txt 2>&1'" \
  -- sh -c "exec $bench $rows indexed --batch=$batch >>$out/indexed.txt 2>&1"
cat "$out/indexed.txt" "$out/plain.txt"

#!/usr/bin/env bash
# Rows per second into an indexed table beside the same rows into a table
# without indexes, both whole processes timed in alternating rounds (medians,
# ratio indexed/plain: the goal is at most 2). Needs a build in ./build.
#   bash bench/jet_index/run.sh [ROWS] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rows=${1:-1000000}
runs=${2:-3}
bench=$root/build/bench/jet_index/jet_index_bench
# Each command's own rows-per-second lines, beside farm-bench's timing.
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
farm-bench -n "$runs" --warmup 0 --timeout 3600 \
  --vs "sh -c 'exec $bench $rows plain >>$out/plain.txt 2>&1'" \
  -- sh -c "exec $bench $rows indexed >>$out/indexed.txt 2>&1"
cat "$out/indexed.txt" "$out/plain.txt"

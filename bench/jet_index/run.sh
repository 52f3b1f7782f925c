#!/usr/bin/env bash
# Rows per second into an indexed table beside the same rows into a table
# without indexes: both whole processes, run in alternating order round after
# round, each figure the median of the rounds, and the ratio indexed/plain
# (the goal is at most 2). Needs a build in ./build.
# BATCH > 0 runs the statements in batches of that many rows, as a send to
# Access does; 0 (the default) makes each INSERT a statement of its own.
#   bash bench/jet_index/run.sh [ROWS] [ROUNDS] [BATCH]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rows=${1:-1000000}
rounds=${2:-3}
batch=${3:-0}
bench=$root/build/bench/jet_index/jet_index_bench
fixtures=${TABLORIA_FIXTURES:-$root/../shared/fixtures/mdb}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# timed MODE: one whole process; its wall time in microseconds goes to MODE.runs.
timed() {
  local start end
  start=$(date +%s%N)
  "$bench" "$rows" "$1" --batch="$batch" "$fixtures" >>"$work/$1.txt"
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 )) >>"$work/$1.runs"
}

for round in $(seq 1 "$rounds"); do
  echo "Round $round of $rounds..."
  if (( round % 2 == 0 )); then timed plain; timed indexed; else timed indexed; timed plain; fi
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() { median <"$work/$1.runs" | awk '{ printf "%.3f", $1 / 1e6 }'; }
echo
echo "$rows rows, $( ((batch > 0)) && echo "batches of $batch" || echo "a statement each"), medians of $rounds alternating rounds (whole processes):"
for mode in indexed plain; do
  awk -v m="$mode" -v s="$(seconds "$mode")" -v rows="$rows" 'BEGIN { printf "  %-8s %8.2f s  %8.0f rows/s\n", m, s, rows / s }'
done
awk -v a="$(seconds indexed)" -v b="$(seconds plain)" 'BEGIN { printf "  indexed/plain: %.2f\n", a / b }'
echo "Each process's own figures:"
cat "$work/indexed.txt" "$work/plain.txt"

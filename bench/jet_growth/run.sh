#!/usr/bin/env bash
# Grows a copy of the Access-made testV2000.mdb to 1.9 GB with our Jet writer
# and reads it back with our reader and check, mdbtools and mdb-reader, each
# checking every row; then grows a second copy to the 2 GiB limit to show the
# refusal. Needs about 4 GiB of disk and several minutes: not part of
# scripts/test.
#   bash bench/jet_growth/run.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
work=${2:-$(mktemp -d /tmp/jet_growth.XXXXXX)}
fixture=${TABLORIA_FIXTURES:-$root/../shared/fixtures/mdb}/testV2000.mdb
cmake --build "$build" -j2 --target jet_growth_bench mdbdump >/dev/null
file=$work/grown.mdb

echo "== growing to 1.9 GB"
"$build/bench/jet_growth/jet_growth_bench" "$fixture" "$file" 1900000000
ls -l "$file"

# Row i: k = "r<i>", m = "r<i>:" then the letter 'a' + i % 26 up to 4,000 characters.
# mdbdump quotes text, mdb-export is told not to: quotes are dropped before checking.
check_rows='BEGIN { letters = "abcdefghijklmnopqrstuvwxyz" }
{ gsub(/"/, "") }
NR > header { i = substr($1, 2) + 0; fill = substr(letters, i % 26 + 1, 1); prefix = $1 ":";
  if (length($2) != 4000 || substr($2, 1, length(prefix)) != prefix || seen[i]++) { bad++; next }
  rest = substr($2, length(prefix) + 1); gsub(fill, "", rest); if (rest != "") bad++; n++ }
END { printf "%s: %d rows, %d wrong\n", who, n, bad; exit bad != 0 }'

echo "== our check"
time "$build/tools/mdbdump/mdbdump" check "$file"
echo "== our reader"
time "$build/tools/mdbdump/mdbdump" csv "$file" growth | awk -F, -v header=1 -v who=mdbdump "$check_rows"
echo "== mdbtools"
time mdb-export -H -q '' -d $'\t' "$file" growth | awk -F'\t' -v header=0 -v who=mdb-export "$check_rows"
echo "== mdb-reader"
time node --max-old-space-size=8192 "$root/bench/jet_growth/check_rows.mjs" "$file"

echo "== growing a second copy to the 2 GiB limit"
"$build/bench/jet_growth/jet_growth_bench" "$fixture" "$work/full.mdb" 0 --to-limit | tail -n 3
ls -l "$work/full.mdb"
"$build/tools/mdbdump/mdbdump" check "$work/full.mdb"
rm -f "$work/full.mdb"

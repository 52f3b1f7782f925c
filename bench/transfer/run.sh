#!/usr/bin/env bash
# Both directions for 100,000 rows x 5 columns inside one process, with
# memory beside the table's text size (whole processes beside the mariadb
# client and mdbtools: bench/compare/run.sh). Needs a server in
# TABLORIA_TEST_MYSQL_* (scripts/lib/mariadb.sh) and a build in ./build.
#   bash bench/transfer/run.sh [ROWS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rows=${1:-100000}
bench=$root/build/bench/transfer/transfer_bench
fixtures=${TABLORIA_FIXTURES:-/work/shared/fixtures/mdb}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
client() { mariadb --no-defaults -h127.0.0.1 -P"$TABLORIA_TEST_MYSQL_PORT" -u"$TABLORIA_TEST_MYSQL_USER" -p"$TABLORIA_TEST_MYSQL_PASSWORD" "$@"; }
db=tabloria_bench_$$
client -e "CREATE DATABASE $db CHARACTER SET utf8mb4"
trap 'client -e "DROP DATABASE IF EXISTS $db"; rm -rf "$work"' EXIT
client "$db" -e "CREATE TABLE bench (id INT, name VARCHAR(20), city VARCHAR(20), amount DECIMAL(10,2), note VARCHAR(30));
  INSERT INTO bench SELECT seq, CONCAT('name ', seq), CONCAT('city ', seq % 977), seq / 100,
    CONCAT('note ', LEFT(MD5(seq), 12)) FROM seq_1_to_$rows"
text=$(client -N "$db" -e "SELECT SUM(LENGTH(id) + LENGTH(name) + LENGTH(city) + LENGTH(TRIM(TRAILING '.' FROM TRIM(TRAILING '0' FROM amount))) + LENGTH(note)) FROM bench")
cp "$fixtures/emptyJet4.mdb" "$work/bench.mdb"; chmod u+w "$work/bench.mdb"
export QT_QPA_PLATFORM=offscreen
echo "rows=$rows text_bytes=$text"
# Each phase's line, then its rows per second and its memory beside the text size.
summarise() {
  awk -v rows="$rows" -v text="$text" '{
    print
    for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    grown = v["peak_kib"] - v["baseline_kib"]
    printf "  %s: %d rows/s, peak memory +%.1f MiB over the start = %.2f x the text size\n", $1, rows / v["seconds"], grown / 1024, grown * 1024 / text
  }'
}
"$bench" to-access "$db" "$work/bench.mdb" | summarise
client "$db" -e "DROP TABLE bench"
"$bench" to-mysql "$db" "$work/bench.mdb" | summarise

#!/usr/bin/env bash
# Tabloria's commands beside the tools a user would otherwise reach for, each a
# whole process, on the same rows and the same private MariaDB server:
#   reading      mdbdump csv                  vs mdb-export
#   to MySQL     tabloria send --to mysql     vs the mariadb client: one-row INSERTs in one
#                                                transaction, INSERTs of 1,000 rows, LOAD DATA LOCAL
#   to Access    tabloria send --to access    vs mariadb --quick reading the same rows
# The commands of a comparison run in alternating order round after round; each
# figure is the median of the rounds. Rows are counted after every run (outside
# the timing), so a command that fails or loses rows stops the benchmark.
#   bash bench/compare/run.sh [ROWS [ROUNDS]]   (defaults 1000000 and 3)
# Needs a build in ./build (tabloria, mdbdump), mariadb-server, mdbtools.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rows=${1:-1000000}
rounds=${2:-3}
build=${TABLORIA_BUILD:-$root/build}
tabloria=$build/src/app/tabloria
mdbdump=$build/tools/mdbdump/mdbdump
for tool in "$tabloria" "$mdbdump" /usr/bin/time mdb-export mariadb mariadbd; do
  command -v "$tool" >/dev/null || { echo "missing $tool (build tabloria and mdbdump; install time, mdbtools, mariadb-server)" >&2; exit 1; }
done

work=$(mktemp -d)
source "$root/scripts/lib/mariadb.sh"
trap 'mariadb_stop; rm -rf "$work"' EXIT
password=bench-$$
mariadb_start "$work/server" source bench "$password" >/dev/null
mariadb_admin() { mariadb --no-defaults --socket="$MARIADB_SOCKET" -u"$MARIADB_ADMIN" "$@"; }
# The client over TCP, as Tabloria connects.
client() { mariadb --no-defaults -h127.0.0.1 -P"$MARIADB_PORT" -ubench -p"$password" "$@"; }

export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=offscreen
export TABLORIA_SERVER=127.0.0.1:$MARIADB_PORT TABLORIA_USER=bench TABLORIA_MYSQL_PASSWORD=$password

echo "Making $rows rows of 5 columns in MariaDB..."
mariadb_admin -e "CREATE DATABASE target CHARACTER SET utf8mb4"
mariadb_admin source -e "CREATE TABLE bench (id INT, name VARCHAR(20), city VARCHAR(20), amount DECIMAL(10,2), note VARCHAR(30));
  INSERT INTO bench SELECT seq, CONCAT('name ', seq), CONCAT('city ', seq % 977), seq / 100,
    CONCAT('note ', LEFT(MD5(seq), 12)) FROM seq_1_to_$rows"
"$tabloria" new "$work/empty.mdb" >/dev/null
cp "$work/empty.mdb" "$work/read.mdb"
TABLORIA_DATABASE=source "$tabloria" send --to access --mdb "$work/read.mdb" bench >/dev/null
# The rows as Tabloria sends them from the Access file, then the contenders' inputs made
# from them once: one INSERT a row, INSERTs of 1,000 rows, a tab-separated file.
TABLORIA_DATABASE=target "$tabloria" send --to mysql --mdb "$work/read.mdb" bench >/dev/null
create=$(client -N target -e "SHOW CREATE TABLE bench" | cut -f2-)
create=${create//\\n/ }
client -N --raw --quick target -e "SELECT CONCAT('INSERT INTO bench VALUES(', CONCAT_WS(',', QUOTE(id), QUOTE(name), QUOTE(city),
    QUOTE(amount), QUOTE(note)), ');') FROM bench" >"$work/one_row.sql"
awk '{ sub(/^INSERT INTO bench VALUES/, ""); sub(/;$/, "")
       printf "%s%s", (NR % 1000 == 1 ? "INSERT INTO bench VALUES" : ","), $0
       if (NR % 1000 == 0) print ";" }
     END { if (NR % 1000) print ";" }' "$work/one_row.sql" >"$work/multi_row.sql"
client -N --quick target -e "SELECT * FROM bench" >"$work/rows.tsv"

# timed NAME COMMAND...: runs it once, appends its microseconds and peak KiB to NAME's records.
timed() {
  local name=$1 start end
  shift
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 )) $(tail -n1 "$work/peak")" >>"$work/$name.runs"
}
expect_rows() {
  local found
  found=$(client -N target -e "SELECT COUNT(*) FROM bench")
  [ "$found" = "$rows" ] || { echo "$1: $found rows in the target, not $rows" >&2; exit 1; }
}
expect_csv_rows() {
  local found
  found=$(( $("$@" | wc -l) - 1 ))
  [ "$found" = "$rows" ] || { echo "$*: $found rows, not $rows" >&2; exit 1; }
}
expect_csv_rows "$mdbdump" csv "$work/read.mdb" bench
expect_csv_rows mdb-export "$work/read.mdb" bench
fresh_target() { client target -e "DROP TABLE IF EXISTS bench; $create"; }

run_mdbdump() { timed mdbdump "$mdbdump" csv "$work/read.mdb" bench; }
run_mdb_export() { timed mdb_export mdb-export "$work/read.mdb" bench; }
run_to_mysql() {
  client target -e "DROP TABLE bench"  # outside the timing, as for the client
  timed to_mysql env TABLORIA_DATABASE=target "$tabloria" send --to mysql --mdb "$work/read.mdb" bench
  expect_rows "tabloria send --to mysql"
}
run_client() {
  local name=$1 file=$2
  fresh_target
  timed "$name" bash -c 'cat <(echo "START TRANSACTION;") "$1" <(echo "COMMIT;") | "${@:2}"' _ "$file" \
    mariadb --no-defaults -h127.0.0.1 -P"$MARIADB_PORT" -ubench -p"$password" target
  expect_rows "$name"
}
run_one_row() { run_client one_row "$work/one_row.sql"; }
run_multi_row() { run_client multi_row "$work/multi_row.sql"; }
run_load_data() {
  fresh_target
  timed load_data mariadb --no-defaults --local-infile=1 -h127.0.0.1 -P"$MARIADB_PORT" -ubench -p"$password" target \
    -e "LOAD DATA LOCAL INFILE '$work/rows.tsv' INTO TABLE bench"
  expect_rows "LOAD DATA LOCAL"
}
run_to_access() {
  cp "$work/empty.mdb" "$work/target.mdb"
  timed to_access env TABLORIA_DATABASE=source "$tabloria" send --to access --mdb "$work/target.mdb" bench
  [ "$("$mdbdump" count "$work/target.mdb" bench)" = "$rows" ] || { echo "send --to access lost rows" >&2; exit 1; }
}
run_quick() { timed quick mariadb --no-defaults --quick -h127.0.0.1 -P"$MARIADB_PORT" -ubench -p"$password" source -e "SELECT * FROM bench"; }

# Each round runs every group, ours first in odd rounds and last in even ones.
groups=("run_mdbdump run_mdb_export" "run_to_mysql run_one_row run_multi_row run_load_data" "run_to_access run_quick")
for round in $(seq 1 "$rounds"); do
  echo "Round $round of $rounds..."
  for group in "${groups[@]}"; do
    read -r -a runs <<<"$group"
    if (( round % 2 == 0 )); then
      for (( i = ${#runs[@]} - 1; i >= 0; i-- )); do "${runs[i]}"; done
    else
      for run in "${runs[@]}"; do "$run"; done
    fi
  done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() { cut -d' ' -f1 "$work/$1.runs" | median | awk '{ printf "%.4f", $1 / 1e6 }'; }
rate() { awk -v rows="$rows" -v s="$(seconds "$1")" 'BEGIN { printf "%d", rows / s }' | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'; }
peak() { cut -d' ' -f2 "$work/$1.runs" | sort -n | tail -n1 | awk '{ printf "%.0f", $1 / 1024 }'; }
line() {  # line WORK OURS THEIRS CONTENDER
  printf "| %s | %s rows/s, %s MiB | %s: %s rows/s, %s MiB | %.2fx |\n" "$1" "$(rate "$2")" "$(peak "$2")" \
    "$4" "$(rate "$3")" "$(peak "$3")" "$(awk -v a="$(seconds "$3")" -v b="$(seconds "$2")" 'BEGIN { print a / b }')"
}
echo
echo "$rows rows x 5 columns, medians of $rounds alternating rounds, peak memory the highest of the rounds:"
echo
echo "| work | Tabloria | contender | ratio |"
echo "|---|---|---|---|"
line "read (\`mdbdump csv\`)" mdbdump mdb_export "\`mdb-export\`"
line "Access to MySQL (\`send --to mysql\`)" to_mysql one_row "client, one-row INSERTs in one transaction"
line "Access to MySQL" to_mysql multi_row "client, INSERTs of 1,000 rows in one transaction"
line "Access to MySQL" to_mysql load_data "client, LOAD DATA LOCAL INFILE"
line "MySQL to Access (\`send --to access\`)" to_access quick "\`mariadb --quick\` reading the rows"

#!/usr/bin/env bash
# How the window answers while a long transfer runs: a private MariaDB with
# a table of ROWS rows (1,000,000 by default), the program on a virtual
# display, and responsiveness.py operating it over the accessibility bus.
# Prints the answer times of the progress dialog and the Cancel latencies
# (median, 99th percentile, maximum). Needs a build in ./build.
#   bash bench/responsiveness/run.sh [ROWS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rows=${1:-1000000}
source "$root/scripts/lib/mariadb.sh"
source "$root/tests/gui/driver/session.sh"
work=$(mktemp -d /tmp/tabloria-responsiveness.XXXXXX)
cleanup() { gui_session_stop; mariadb_stop; rm -rf "$work"; }
trap cleanup EXIT
mariadb_start "$work/mariadb" tabloria_bench bench 'bench-pass' >/dev/null
export TABLORIA_TEST_MYSQL_HOST=127.0.0.1 TABLORIA_TEST_MYSQL_PORT=$MARIADB_PORT
export TABLORIA_TEST_MYSQL_SOCKET=$MARIADB_SOCKET TABLORIA_TEST_MYSQL_USER=bench
export TABLORIA_TEST_MYSQL_PASSWORD=bench-pass
export TABLORIA_FIXTURES=${TABLORIA_FIXTURES:-$(cd "$root/../shared/fixtures/mdb" && pwd)}
gui_session_start "$work/session" >/dev/null 2>&1 || { echo "no GUI session" >&2; exit 1; }
mkdir -p "$work/check"
/usr/bin/python3 "$root/bench/responsiveness/responsiveness.py" "$root/build/src/app/tabloria" "$work/check" "$rows"

# A private MariaDB server in a folder of its own, on loopback only.
# mariadb_start DIR DATABASE USER PASSWORD  -> exports MARIADB_PORT, MARIADB_SOCKET, MARIADB_PID,
#                                              MARIADB_ADMIN (socket login with full rights)
# mariadb_stop                              -> stops it by its process id

mariadb_free_port() {
  local port
  for port in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>/dev/tcp/127.0.0.1/"$port") 2>/dev/null; then
      echo "$port"; return 0
    fi
  done
  return 1
}

mariadb_start() {
  local dir=$1 database=$2 user=$3 password=$4
  local run_as=()
  [ "$(id -u)" -eq 0 ] && run_as=(--user=root)
  # The install creates socket-authenticated accounts for root and for the user running it.
  MARIADB_ADMIN=$(id -un)
  mkdir -p "$dir"
  MARIADB_SOCKET=$dir/mysqld.sock
  MARIADB_PORT=$(mariadb_free_port) || { echo "no free port for MariaDB" >&2; return 1; }
  if [ ! -d "$dir/data/mysql" ]; then
    mariadb-install-db --no-defaults "${run_as[@]}" --datadir="$dir/data" \
      --auth-root-authentication-method=socket --skip-test-db >"$dir/install.log" 2>&1 \
      || { cat "$dir/install.log" >&2; return 1; }
  fi
  mariadbd --no-defaults "${run_as[@]}" --datadir="$dir/data" --socket="$MARIADB_SOCKET" \
    --port="$MARIADB_PORT" --bind-address=127.0.0.1 --pid-file="$dir/mysqld.pid" \
    --log-error="$dir/error.log" --skip-name-resolve --innodb-buffer-pool-size=64M \
    --innodb-flush-log-at-trx-commit=2 --character-set-server=utf8mb4 \
    --collation-server=utf8mb4_unicode_ci >/dev/null 2>&1 &
  MARIADB_PID=$!
  local i
  for i in $(seq 1 300); do
    mariadb-admin --no-defaults --socket="$MARIADB_SOCKET" -u"$MARIADB_ADMIN" ping >/dev/null 2>&1 && break
    kill -0 "$MARIADB_PID" 2>/dev/null || { cat "$dir/error.log" >&2; return 1; }
    sleep 0.1
  done
  # With the grant option, so that tests can make accounts of narrower rights.
  mariadb --no-defaults --socket="$MARIADB_SOCKET" -u"$MARIADB_ADMIN" <<SQL || return 1
CREATE DATABASE IF NOT EXISTS \`$database\`;
CREATE USER IF NOT EXISTS '$user'@'localhost' IDENTIFIED BY '$password';
CREATE USER IF NOT EXISTS '$user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'localhost' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1' WITH GRANT OPTION;
FLUSH PRIVILEGES;
SQL
  export MARIADB_PORT MARIADB_SOCKET MARIADB_PID MARIADB_ADMIN
}

mariadb_stop() {
  [ -n "${MARIADB_PID:-}" ] || return 0
  kill "$MARIADB_PID" 2>/dev/null || true
  local i
  for i in $(seq 1 100); do
    kill -0 "$MARIADB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$MARIADB_PID" 2>/dev/null; then kill -9 "$MARIADB_PID" 2>/dev/null || true; fi
  wait "$MARIADB_PID" 2>/dev/null || true
  MARIADB_PID=
}

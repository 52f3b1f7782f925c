# The demo: a private MariaDB with a small database, a copy of a real Access
# file, and a settings scope of its own pointing at both.

demo_prepare() {
  local dir=${XDG_CACHE_HOME:-$HOME/.cache}/tabloria-demo
  local fixture=${TABLORIA_FIXTURES:-$TABLORIA_ROOT/../shared/fixtures/mdb}/testV2000.mdb
  mkdir -p "$dir/config"
  mariadb_start "$dir/mariadb" tabloria_demo demo 'demo-pass' || return 1
  mariadb --no-defaults --socket="$MARIADB_SOCKET" -u"$MARIADB_ADMIN" tabloria_demo <<'SQL' || return 1
CREATE TABLE IF NOT EXISTS towns (id INT, name VARCHAR(40), founded DATE, population INT,
  area_km2 DECIMAL(10,2));
CREATE TABLE IF NOT EXISTS `order lines` (order_id INT, product VARCHAR(60), quantity INT,
  price DECIMAL(10,2), note TEXT);
INSERT INTO towns SELECT * FROM (SELECT 1, 'Aberdeen', '1179-01-01', 198590, 185.70 UNION ALL
  SELECT 2, 'Bruxelles', '0979-01-01', 1222637, 32.61 UNION ALL
  SELECT 3, 'Córdoba', NULL, 325708, 1253.00 UNION ALL
  SELECT 4, 'Θεσσαλονίκη', '0315-01-01', 325182, 19.31) AS t WHERE NOT EXISTS (SELECT 1 FROM towns);
INSERT INTO `order lines` SELECT * FROM (SELECT 1, 'Tea, green', 3, 4.50, 'O''Brien''s order' UNION ALL
  SELECT 1, 'Cups', 6, 2.25, NULL UNION ALL
  SELECT 2, 'Teapot', 1, 31.00, '') AS t WHERE NOT EXISTS (SELECT 1 FROM `order lines`);
SQL
  if [ ! -f "$dir/demo.mdb" ]; then
    [ -f "$fixture" ] || { echo "The demo needs $fixture" >&2; return 1; }
    cp "$fixture" "$dir/demo.mdb"
    chmod u+w "$dir/demo.mdb"
  fi
  # The program's own settings scope, separate from the user's.
  export XDG_CONFIG_HOME=$dir/config
  cat >"$XDG_CONFIG_HOME/Quenmark.conf" <<CONF
[Tabloria]
Server=127.0.0.1:$MARIADB_PORT
User=demo
Password=demo-pass
Database=tabloria_demo
AccessMDBFile=$dir/demo.mdb
AccessPassword=
CONF
  chmod 600 "$XDG_CONFIG_HOME/Quenmark.conf"
}

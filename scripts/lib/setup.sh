# Shared by scripts/run and scripts/test: install what is missing, then build.
# Quiet when nothing is missing.

TABLORIA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TABLORIA_BUILD=${TABLORIA_BUILD:-$TABLORIA_ROOT/build}

# Debian packages the program needs to build and run.
RUN_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libmariadb-dev
  fonts-liberation)
# Extra packages for the tests: a real MariaDB server, the .mdb oracles, the GUI driver,
# and what building and checking the Debian package takes.
TEST_PACKAGES=(libgtest-dev mariadb-server mariadb-client mdbtools
  clang libclang-rt-14-dev xvfb xauth dbus at-spi2-core python3-pyatspi imagemagick
  dpkg-dev desktop-file-utils man-db)

# Node.js may come from another source than Debian (whose npm package would then
# conflict with it): install Debian's only when there is no npm at all.
node_packages() {
  command -v npm >/dev/null 2>&1 || echo nodejs npm
}

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

ensure_packages() {
  local missing
  missing=$(missing_packages "$@" | tr '\n' ' ')
  missing=${missing% }
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Tabloria needs these Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y $missing" >&2
    exit 1
  fi
  echo "Installing: $missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  # shellcheck disable=SC2086
  apt-get install -y -qq $missing >/dev/null
}

# build_tabloria WHAT [--target T]... [CMAKE_OPTION...]: configures once, then builds the
# targets named (all when none), saying so first when there is anything to build.
build_tabloria() {
  local what=$1 log names=() targets=()
  shift
  while [ "${1:-}" = --target ]; do
    names+=("$2")
    targets+=(--target "$2")
    shift 2
  done
  log=$(mktemp)
  if [ ! -f "$TABLORIA_BUILD/build.ninja" ]; then
    cmake -S "$TABLORIA_ROOT" -B "$TABLORIA_BUILD" -G Ninja "$@" >"$log" 2>&1 \
      || { cat "$log"; rm -f "$log"; return 1; }
  fi
  if ! ninja -C "$TABLORIA_BUILD" -n "${names[@]}" 2>/dev/null | grep -q '^ninja: no work to do'; then
    echo "Building $what (the first time takes a few minutes)..."
  fi
  cmake --build "$TABLORIA_BUILD" -j"$(nproc)" "${targets[@]}" >"$log" 2>&1 \
    || { grep -E -B2 -A8 'error|FAILED' "$log" | head -n 200; rm -f "$log"; return 1; }
  rm -f "$log"
}

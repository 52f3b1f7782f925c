#!/usr/bin/env bash
# Runs the GUI checks against the built program on a private virtual display
# with its own accessibility bus, and an empty settings folder of their own.
# usage: run_gui_tests.sh TABLORIA_BINARY [SCREENSHOT_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=$1
shots=${2:-}

source "$here/driver/session.sh"
work=$(mktemp -d /tmp/tabloria-gui.XXXXXX)
cleanup() { gui_session_stop; rm -rf "$work"; }
trap cleanup EXIT
gui_session_start "$work/session" || exit 1
mkdir -p "$work/config"

/usr/bin/python3 "$here/first_run.py" "$binary" "$work/config" $shots &
wait $!

#!/usr/bin/env bash
# Runs one GUI check against the built program on a private virtual display
# with its own accessibility bus, in a scratch folder of its own (removed at
# the end: the check keeps its settings, Access files and caches there).
# usage: run_gui_tests.sh CHECK.py TABLORIA_BINARY [SCREENSHOT_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
check=$1
binary=$2
shots=${3:-}

source "$here/driver/session.sh"
work=$(mktemp -d /tmp/tabloria-gui.XXXXXX)
cleanup() { gui_session_stop; rm -rf "$work"; }
trap cleanup EXIT
gui_session_start "$work/session" || exit 1
mkdir -p "$work/check"

/usr/bin/python3 "$here/$check" "$binary" "$work/check" $shots &
wait $!

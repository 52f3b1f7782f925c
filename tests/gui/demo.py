# The demo a newcomer starts with one command, `scripts/run --demo`: it brings
# up a private MariaDB and the program with both lists filled; quitting the
# program (closing its window) stops that server again. Its caches go to a
# scratch folder, so nothing of the user's is touched.
#
# usage: demo.py TABLORIA_BINARY SCRATCH_DIR [SCREENSHOT_DIR]
import os
import re
import signal
import sys

import checks
from checks import gui

binary, scratch = sys.argv[1], sys.argv[2]
root = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
build = os.path.dirname(os.path.dirname(os.path.dirname(binary)))  # BUILD/src/app/tabloria
demo = os.path.join(scratch, "cache", "tabloria-demo")
report = checks.Report()
program = None
tabloria_pid = None


def demo_servers():
    """Pids of the mariadbd processes that serve the demo's data folder."""
    datadir = "--datadir=" + os.path.join(demo, "mariadb", "data")
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                args = f.read().decode(errors="replace").split("\0")
        except OSError:
            continue
        if datadir in args:
            pids.append(int(entry))
    return pids


try:
    program = checks.Program(
        binary, os.path.join(scratch, "unused-config"), name="tabloria",
        argv=["bash", os.path.join(root, "scripts", "run"), "--demo"],
        env={"XDG_CACHE_HOME": os.path.join(scratch, "cache"), "TABLORIA_BUILD": build,
             "TABLORIA_FIXTURES": checks.FIXTURES},
        start_timeout=120)
    tabloria_pid = program.app.node.get_process_id()
    report.check("the demo's server runs from the scratch cache", len(demo_servers()) == 1,
                 demo_servers())
    program.wait_list(program.mysql, lambda items: len(items) > 0, "the demo's MySQL tables")
    report.equal("MySQL list: the demo database", program.mysql_items(), ["order lines", "towns"])
    report.equal("Access list: the demo file's tables", program.access_items(),
                 checks.mdb_tables(os.path.join(demo, "demo.mdb")))
    report.equal("no message at the demo's start", program.messages_showing(), [])
    report.check("the user's settings are left alone: the demo has its own",
                 os.path.exists(os.path.join(demo, "config", "Quenmark.conf")))

    program.select(program.mysql, "towns")
    program.press("Send Table to Access")
    text = program.answer(timeout=60)[1]
    report.check("a table sent in the demo has its rows verified",
                 re.fullmatch(r"\d+ rows sent and verified\.", text) is not None, text)
    program.wait_list(program.access, lambda items: "towns" in items, "towns sent to Access")
    report.check("a table sent in the demo appears in the other list", True)

    checks.close_window(tabloria_pid, "Tabloria")
    try:
        program.app.proc.wait(30)
        report.check("closing the window ends the demo", True)
    except Exception:
        report.check("closing the window ends the demo", False, "still running after 30 s")
    report.equal("no demo server is left running", demo_servers(), [])
except (AssertionError, gui.DriverError, RuntimeError) as e:
    report.check("the checks ran to their end", False, e)
finally:
    if program:
        program.stop()
    if tabloria_pid and os.path.exists("/proc/%d" % tabloria_pid):
        os.kill(tabloria_pid, signal.SIGTERM)   # started by the demo script for us
    for pid in demo_servers():   # only when the demo failed to stop its own server
        os.kill(pid, signal.SIGTERM)

sys.exit(report.finish())

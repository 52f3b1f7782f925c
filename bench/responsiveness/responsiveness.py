# Operates the program as a person would during transfers of a large table,
# each way, and measures what that person feels:
#  - the answer time of the progress dialog: one accessibility query (its
#    label's text) after another, all through each transfer;
#  - the Cancel latency: from the press of Cancel to the dialog gone (a
#    phase that changes nothing: reading, measuring) or to the message that
#    says how many rows were sent (the row pass).
# Each latency includes one accessibility round trip of the driver's own
# (a few milliseconds); the waits poll every few milliseconds.
#
# usage: responsiveness.py TABLORIA_BINARY SCRATCH_DIR ROWS
import os
import re
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "gui"))
import checks  # noqa: E402
from checks import gui  # noqa: E402

binary, scratch, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
CANCELS = 5  # runs of each kind of Cancel
server = checks.TestServer()
db = checks.ScratchDatabase(server, "responsiveness")
mdb = checks.fixture_copy("testV2000.mdb", scratch)
config = os.path.join(scratch, "config")
answers = []
cancels = {}


def poll(condition, what, timeout=600):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise gui.WaitTimeout("no %s within %d s" % (what, timeout))
        time.sleep(0.003)


def label(progress):
    return gui.wait_for(lambda: next(iter(gui.find_all(progress, "label")), None), 60, "the dialog's label")


def sample_until_gone(progress, seconds=None):
    """Asks the dialog for its label's text until it closes (or `seconds` pass)."""
    node = label(progress)
    end = time.monotonic() + seconds if seconds else None
    while gui.is_showing(progress) and (end is None or time.monotonic() < end):
        start = time.perf_counter()
        gui.name(node)
        answers.append(time.perf_counter() - start)
        time.sleep(0.02)


def send(program, button, table, target, overwrite):
    source = program.access if target == "MySQL" else program.mysql
    program.select(source, table)
    program.press(button)
    if overwrite:
        program.answer("Yes", timeout=60)
    return gui.wait_window(program.app, "Sending %s to %s" % (table, target), timeout=120)


def cancel_in(program, progress, phase, pattern, kind):
    node = label(progress)
    poll(lambda: re.fullmatch(pattern, gui.name(node)), "phase %s" % phase)
    cancel = gui.find_button(progress, "Cancel")
    start = time.perf_counter()
    gui.click(cancel)
    if kind == "message":
        poll(lambda: program.messages_showing(), "message after Cancel")
    else:
        poll(lambda: not gui.is_showing(progress), "dialog gone after Cancel")
    cancels.setdefault(phase, []).append(time.perf_counter() - start)
    if kind == "message":
        program.answer()
    program.wait_idle(600)


def show(what, values):
    ms = sorted(v * 1000 for v in values)
    p99 = ms[min(len(ms) - 1, int(round(0.99 * (len(ms) - 1))))]
    print("%-44s n=%-6d median %7.1f ms   p99 %7.1f ms   max %7.1f ms"
          % (what, len(ms), statistics.median(ms), p99, ms[-1]), flush=True)


program = None
try:
    db.run("CREATE TABLE bench (id INT, label VARCHAR(20));"
           "INSERT INTO bench SELECT seq, CONCAT('row ', seq) FROM seq_1_to_%d;" % rows)
    checks.write_settings(config, "%s:%s" % (server.host, server.port), server.user,
                          server.password, db.name, mdb)
    program = checks.Program(binary, config)
    program.wait_list(program.mysql, lambda items: items == ["bench"], "the MySQL list")
    rows_text = r"\d+ of %d rows" % rows

    # MySQL -> Access, whole, the dialog asked all the while.
    started = time.monotonic()
    progress = send(program, "Send Table to Access", "bench", "Access", False)
    sample_until_gone(progress)
    program.wait_idle(600)
    print("to Access: %d rows in %.0f s" % (rows, time.monotonic() - started), flush=True)
    for _ in range(CANCELS):
        progress = send(program, "Send Table to Access", "bench", "Access", True)
        cancel_in(program, progress, "to Access, reading", r"Reading bench\.\.\.\n\d+ rows", "gone")
        progress = send(program, "Send Table to Access", "bench", "Access", True)
        cancel_in(program, progress, "to Access, rows", rows_text, "message")
    # The cancelled runs replaced the whole table: send it whole once more.
    progress = send(program, "Send Table to Access", "bench", "Access", True)
    sample_until_gone(progress)
    program.wait_idle(600)

    # Access -> MySQL: the dialog asked for half a minute, then the Cancels.
    progress = send(program, "Send Table to MySQL", "bench", "MySQL", True)
    sample_until_gone(progress, 30)
    cancel_in(program, progress, "to MySQL, rows", rows_text, "message")
    for _ in range(CANCELS):
        progress = send(program, "Send Table to MySQL", "bench", "MySQL", True)
        cancel_in(program, progress, "to MySQL, measuring", r"Measuring bench\.\.\.\n\d+ of \d+ rows", "gone")
        progress = send(program, "Send Table to MySQL", "bench", "MySQL", True)
        cancel_in(program, progress, "to MySQL, rows", rows_text, "message")

    print("rows=%d" % rows)
    show("progress dialog, one accessibility query", answers)
    for phase, values in cancels.items():
        show("Cancel latency, %s" % phase, values)
finally:
    if program:
        program.stop()
    db.drop()

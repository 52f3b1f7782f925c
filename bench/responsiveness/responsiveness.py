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
    """Waits for condition and returns its value; a query the busy program did not answer
    counts as not yet."""
    return gui.wait_for(condition, timeout, what, interval=0.003)


def showing(window):
    return poll(lambda: "yes" if gui.is_showing(window) else "no", "the dialog's state") == "yes"


def label(progress):
    return gui.wait_for(lambda: next(iter(gui.find_all(progress, "label")), None), 60, "the dialog's label")


def sample_until_gone(program, progress, seconds=None):
    """Asks the dialog for its label's text until it closes, the command shows its closing
    message (the dialog stays up behind it until that is answered), or `seconds` pass."""
    node = label(progress)
    end = time.monotonic() + seconds if seconds else None
    while (end is None or time.monotonic() < end) and showing(progress) and not program.messages_showing():
        start = time.perf_counter()
        gui.name(node)
        answers.append(time.perf_counter() - start)
        time.sleep(0.02)


def send(program, button, table, target):
    """Presses `button` for `table`; answers the overwrite question when the target lists the
    table (a Cancel before the rows pass leaves the target without it)."""
    source, destination = (program.access, program.mysql) if target == "MySQL" else (program.mysql, program.access)
    overwrite = table in gui.list_items(destination)
    program.select(source, table)
    program.press(button)
    if overwrite:
        program.answer("Yes", timeout=60)
    return gui.wait_window(program.app, "Sending %s to %s" % (table, target), timeout=120)


def cancel_in(program, progress, phase, pattern, kind):
    """Presses Cancel once the dialog shows `phase`; True when the latency was measured.
    A phase may pass before the press lands, or before it is seen (a short read, a fast
    or busy machine): then the job answers as in its next phase or ends, and that run
    is not counted."""
    node = label(progress)
    seen = poll(lambda: "gone" if not gui.is_showing(progress) or program.messages_showing() else
                re.fullmatch(pattern, gui.name(node)) and "phase", "phase %s" % phase)
    if seen == "gone":
        program.answer_until_idle(600)
        return False
    cancel = gui.find_button(progress, "Cancel")
    start = time.perf_counter()
    gui.click(cancel)
    if kind == "message":
        poll(lambda: program.messages_showing(), "message after Cancel")
    else:
        seen = poll(lambda: "message" if program.messages_showing() else
                    not gui.is_showing(progress) and "gone", "dialog gone after Cancel")
        if seen == "message":
            program.answer_until_idle(600)
            return False
    cancels.setdefault(phase, []).append(time.perf_counter() - start)
    program.answer_until_idle(600)
    return True


def cancel_runs(program, send_again, phase, pattern, kind):
    """CANCELS measured Cancels in `phase`, each on a fresh send."""
    for _ in range(3 * CANCELS):
        if len(cancels.get(phase, [])) == CANCELS:
            return
        cancel_in(program, send_again(), phase, pattern, kind)


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
    progress = send(program, "Send Table to Access", "bench", "Access")
    sample_until_gone(program, progress)
    program.answer_until_idle(600)
    print("to Access: %d rows in %.0f s" % (rows, time.monotonic() - started), flush=True)
    to_access = lambda: send(program, "Send Table to Access", "bench", "Access")  # noqa: E731
    cancel_runs(program, to_access, "to Access, reading", r"Reading bench\.\.\.\n\d+ rows", "gone")
    cancel_runs(program, to_access, "to Access, rows", rows_text, "message")
    # The cancelled runs replaced the whole table: send it whole once more.
    progress = send(program, "Send Table to Access", "bench", "Access")
    sample_until_gone(program, progress)
    program.answer_until_idle(600)

    # Access -> MySQL: the dialog asked for half a minute, then the Cancels.
    progress = send(program, "Send Table to MySQL", "bench", "MySQL")
    sample_until_gone(program, progress, 30)
    cancel_in(program, progress, "to MySQL, rows", rows_text, "message")
    to_mysql = lambda: send(program, "Send Table to MySQL", "bench", "MySQL")  # noqa: E731
    cancel_runs(program, to_mysql, "to MySQL, measuring", r"Measuring bench\.\.\.\n\d+ of \d+ rows", "gone")
    cancel_runs(program, to_mysql, "to MySQL, rows", rows_text, "message")

    print("rows=%d" % rows)
    show("progress dialog, one accessibility query", answers)
    for phase, values in cancels.items():
        show("Cancel latency, %s" % phase, values)
finally:
    if program:
        program.stop()
    db.drop()

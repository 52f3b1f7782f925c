# Sending tables both ways through the buttons, as a person would: the table
# appears in the other list and in the other database; the overwrite question
# answered No changes nothing, Yes replaces the table; "Keep column types"
# ticked in the setup window sends with the server's types; a long transfer
# shows its progress, and Cancel in each kind of phase does what it says.
#
# Where a dialog must stay up, the transfer is held from outside by a second
# client's lock on the table it reads or writes, never by a table "large
# enough" for this machine: the checks wait on what the program shows, not
# on time.
#
# usage: transfers.py TABLORIA_BINARY SCRATCH_DIR [SCREENSHOT_DIR]
import os
import re
import subprocess
import sys

import checks
from checks import gui

binary, scratch = sys.argv[1], sys.argv[2]
shots = sys.argv[3] if len(sys.argv) > 3 else None
report = checks.Report()
server = checks.TestServer()
db = checks.ScratchDatabase(server, "gui_transfers_%d" % os.getpid())
mdb = checks.fixture_copy("testV2000.mdb", scratch)
config = os.path.join(scratch, "config")
program = None
locks = []
BIG_ROWS = 400000   # enough that the check takes its lock while the rows still go on a fast machine


def access_rows(table):
    """Rows as mdb-export reads them, fixed-length text without its blank padding."""
    return [[None if c is None else c.rstrip(" ") for c in row] for row in checks.mdb_rows(mdb, table)]


def lock(table):
    session = checks.LockingSession(server, db.name, table)
    locks.append(session)
    return session


def screenshot_over_main(path, dialog):
    """The main window with the dialog over it: the rectangle that holds both."""
    boxes = [gui.extents(program.main), gui.extents(dialog)]
    left, top = min(b[0] for b in boxes), min(b[1] for b in boxes)
    right, bottom = max(b[0] + b[2] for b in boxes), max(b[1] + b[3] for b in boxes)
    subprocess.run(["/usr/bin/import", "-display", os.environ["DISPLAY"], "-window", "root",
                    "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                    "png:" + path], check=True, timeout=30)


def label_of(dialog, pattern):
    """The dialog's label once it matches pattern (a regular expression, whole text)."""
    return gui.wait_for(lambda: next((gui.name(n) for n in gui.find_all(dialog, "label", showing=True)
                                      if re.fullmatch(pattern, gui.name(n))), None),
                        30, "a label matching %r" % pattern)


try:
    db.run("""
        CREATE TABLE towns (id INT, name VARCHAR(40), founded DATE);
        INSERT INTO towns VALUES (1, 'Aberdeen', '1179-01-01'), (2, 'O''Brien''s Cross', NULL),
                                 (3, 'Θεσσαλονίκη', '0315-01-01');
        CREATE TABLE big (id INT, label VARCHAR(20));
        INSERT INTO big SELECT seq, CONCAT('row ', seq) FROM seq_1_to_%d;
        CREATE TABLE many LIKE big;
        INSERT INTO many SELECT * FROM big;
    """ % BIG_ROWS)
    checks.write_settings(config, "%s:%s" % (server.host, server.port), server.user,
                          server.password, db.name, mdb)
    program = checks.Program(binary, config)
    fixture_tables = checks.mdb_tables(mdb)
    program.wait_list(program.mysql, lambda items: items == ["big", "many", "towns"], "the MySQL list")
    report.equal("Access list at start", program.access_items(), fixture_tables)

    # Access -> MySQL
    table1 = checks.mdb_rows(mdb, "Table1")
    program.select(program.access, "Table1")
    program.press("Send Table to MySQL")
    # The note comes as the name is listed: answered first, the list is looked at then.
    report.equal("a whole transfer ends with its rows counted on the target",
                 program.answer(timeout=60)[1], "%d rows sent and verified." % len(table1))
    program.wait_list(program.mysql, lambda items: "Table1" in items, "Table1 in the MySQL list")
    program.wait_idle()
    report.equal("sent to MySQL: the list shows it at its place",
                 program.mysql_items(), ["big", "many", "Table1", "towns"])
    report.equal("sent to MySQL: the server has the table with every row",
                 db.count("Table1"), len(table1))
    report.equal("and nothing else is shown", program.messages_showing(), [])

    # MySQL -> Access
    program.select(program.mysql, "towns")
    program.press("Send Table to Access")
    report.equal("and towards Access too", program.answer(timeout=60)[1], "3 rows sent and verified.")
    program.wait_list(program.access, lambda items: "towns" in items, "towns in the Access list")
    program.wait_idle()
    report.equal("sent to Access: the list shows it at its place", program.access_items(),
                 sorted(fixture_tables + ["towns"], key=str.lower))
    report.equal("sent to Access: mdb-tables sees it", checks.mdb_tables(mdb),
                 program.access_items())
    report.equal("sent to Access: mdb-export reads every value, in order", access_rows("towns"),
                 [["1", "Aberdeen", "1179-01-01"], ["2", "O'Brien's Cross", None],
                  ["3", "Θεσσαλονίκη", "0315-01-01"]])
    if shots:
        gui.screenshot(os.path.join(shots, "tabloria-lists.png"), program.main)

    # The overwrite question, towards MySQL. A row added by another client shows
    # whether the table was left alone or replaced.
    db.run("INSERT INTO Table1 () VALUES ();")
    program.select(program.access, "Table1")
    program.press("Send Table to MySQL")
    report.equal("overwrite question towards MySQL", program.answer("No"),
                 ("Overwrite?", "Would you like to overwrite Table1?", ["Yes", "No"]))
    program.wait_idle()
    report.equal("No: nothing else is shown", program.messages_showing(), [])
    report.equal("No: the MySQL table is left alone", db.count("Table1"), len(table1) + 1)
    report.equal("No: the list is unchanged", program.mysql_items(), ["big", "many", "Table1", "towns"])
    program.press("Send Table to MySQL")
    report.equal("asked again", program.answer("Yes")[1], "Would you like to overwrite Table1?")
    report.equal("Yes: the rows sent are verified", program.answer(timeout=60)[1], "%d rows sent and verified." % len(table1))
    program.wait_idle()
    report.equal("Yes: the table is replaced by the Access rows", db.count("Table1"), len(table1))
    report.equal("Yes: it is listed once", program.mysql_items(), ["big", "many", "Table1", "towns"])

    # The overwrite question, towards Access.
    db.run("INSERT INTO towns VALUES (4, 'Córdoba', NULL);")
    program.select(program.mysql, "towns")
    program.press("Send Table to Access")
    report.equal("overwrite question towards Access", program.answer("No"),
                 ("Overwrite?", "Would you like to overwrite towns?", ["Yes", "No"]))
    program.wait_idle()
    report.equal("No: nothing else is shown", program.messages_showing(), [])
    report.equal("No: the Access table is left alone", len(access_rows("towns")), 3)
    program.press("Send Table to Access")
    report.equal("asked again", program.answer("Yes")[1], "Would you like to overwrite towns?")
    report.equal("Yes: the rows sent are verified", program.answer(timeout=60)[1], "4 rows sent and verified.")
    program.wait_idle()
    report.equal("Yes: the Access table holds the server's rows now", access_rows("towns")[3],
                 ["4", "Córdoba", None])
    report.equal("Yes: it is listed once", program.access_items().count("towns"), 1)

    # "Keep column types", ticked in the setup window: towns goes again with
    # its server's types, its DATE a Date/Time; then the box is cleared again.
    def tick_keep_column_types(ticked):
        program.press("Setup Access & MySQL Connections")
        setup = gui.wait_window(program.app, "Setup Connections")
        box = gui.find_button(setup, "Keep column types")
        report.equal("Keep column types shows the stored choice", gui.is_checked(box), not ticked)
        gui.click_button(setup, "Keep column types", how="mouse")
        gui.wait_for(lambda: gui.is_checked(box) == ticked, 10, "the box to change")
        gui.click_button(setup, "OK")
        gui.wait_window_gone(program.app, setup, timeout=30)
        program.wait_idle()

    tick_keep_column_types(True)
    program.select(program.mysql, "towns")
    program.press("Send Table to Access")
    report.equal("kept types: asked to overwrite", program.answer("Yes")[1], "Would you like to overwrite towns?")
    report.equal("kept types: the rows sent are verified", program.answer(timeout=60)[1], "4 rows sent and verified.")
    program.wait_idle()
    schema = subprocess.run(["mdb-schema", "-T", "towns", mdb, "access"], capture_output=True, text=True,
                            timeout=60).stdout
    report.equal("kept types: the columns have the server's types",
                 re.findall(r"^\s*\[(\w+)\]\s+(.*?),?\s*$", schema, re.M),
                 [("id", "Long Integer"), ("name", "Text (40)"), ("founded", "DateTime")])
    tick_keep_column_types(False)

    # Cancel while the source is read: another client holds the table, the
    # read waits, the dialog names its phase; Cancel leaves at once, no table.
    held = lock("many")
    program.select(program.mysql, "many")
    program.press("Send Table to Access")
    progress = gui.wait_window(program.app, "Sending many to Access", timeout=30)
    report.equal("the progress dialog names the phase it waits in", label_of(progress, r"Reading many\.\.\."),
                 "Reading many...")
    gui.click_button(progress, "Cancel")
    gui.wait_window_gone(program.app, progress, timeout=30)
    program.wait_idle()
    report.equal("Cancel while reading: no message", program.messages_showing(), [])
    report.check("Cancel while reading: no Access table", "many" not in program.access_items()
                 and "many" not in checks.mdb_tables(mdb), program.access_items())
    held.release()

    # A whole long transfer to Access, its progress shown while the rows go.
    program.select(program.mysql, "big")
    program.press("Send Table to Access")
    report.equal("without Cancel every row arrives, and is verified", program.answer(timeout=300)[1],
                 "%d rows sent and verified." % BIG_ROWS)
    program.wait_list(program.access, lambda items: "big" in items, "big sent to Access")
    program.wait_idle(300)
    report.equal("without Cancel every row arrives", len(access_rows("big")), BIG_ROWS)
    report.equal("and nothing else is shown", program.messages_showing(), [])

    # Cancel while rows go to MySQL: once the rows pass is under way another
    # client locks the new table, the next row waits, the dialog stays; Cancel
    # is heard after that row, when the lock goes.
    program.select(program.access, "big")
    program.press("Send Table to MySQL")
    report.equal("big is listed on the server: overwrite?", program.answer("Yes")[1],
                 "Would you like to overwrite big?")
    progress = gui.wait_window(program.app, "Sending big to MySQL", timeout=30)
    rows = r"\d+ of %d rows" % BIG_ROWS
    label_of(progress, rows)
    held = lock("big")
    report.check("the lock was taken while the rows still went",
                 gui.is_showing(progress), "the transfer ended first")
    report.check("the progress dialog counts rows done of the total",
                 bool(label_of(progress, rows)))
    if shots:
        screenshot_over_main(os.path.join(shots, "progress.png"), progress)
    cancel = gui.click_button(progress, "Cancel")
    gui.wait_for(lambda: not gui.is_enabled(cancel), 30, "the Cancel press to be taken")
    report.check("a row in flight keeps the dialog up after Cancel", gui.is_showing(progress))
    held.release()
    _, text, _ = program.answer(timeout=60)
    match = re.fullmatch(r"Cancelled after (\d+) of %d rows\." % BIG_ROWS, text)
    report.check("Cancel ends the transfer with the rows done", match is not None, text)
    gui.wait_window_gone(program.app, progress, timeout=30)
    program.wait_idle()
    report.equal("the cancelled table is listed once", program.mysql_items().count("big"), 1)
    if match:
        done = int(match.group(1))
        report.check("it stopped part-way", 0 < done < BIG_ROWS, done)
        report.equal("the rows sent before Cancel stay on the server, as many as it said",
                     db.count("big"), done)
        report.equal("they are the first rows, each once",
                     db.run("SELECT COUNT(DISTINCT id), MIN(CAST(id AS UNSIGNED)), "
                            "MAX(CAST(id AS UNSIGNED)) FROM big;")[0],
                     [str(done), "1", str(done)])
    program.stop()
    program = None

    # Each press left one line in the history, the cancelled transfer with its counts.
    entries = checks.history(binary, config)
    report.check("every send is in the history, from the window",
                 len(entries) == 10 and all((e["from"], e["command"]) == ("window", "send") for e in entries),
                 entries)
    report.equal("how each ended", sorted(e["outcome"] for e in entries), ["cancelled"] * 4 + ["succeeded"] * 6)
    report.equal("the one send with kept types says so", [e["table"] for e in entries if e.get("keptTypes")],
                 ["towns"])
    if match:
        report.equal("the cancelled transfer's counts", {k: entries[-1].get(k) for k in ("table", "read", "sent")},
                     {"table": "big", "read": BIG_ROWS, "sent": done})
except (AssertionError, gui.DriverError, RuntimeError) as e:
    report.check("the checks ran to their end", False, e)
finally:
    for session in locks:
        session.release()
    if program:
        program.stop()
    db.drop()

sys.exit(report.finish())

# Sending tables both ways through the buttons, as a person would: the table
# appears in the other list and in the other database; the overwrite question
# answered No changes nothing, Yes replaces the table; a long transfer shows
# its progress and its Cancel keeps the rows sent so far.
#
# usage: transfers.py TABLORIA_BINARY SCRATCH_DIR [SCREENSHOT_DIR]
import os
import re
import subprocess
import sys
import time

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
BIG_ROWS = 40000   # long enough to still be running when Cancel is pressed


def access_rows(table):
    """Rows as mdb-export reads them, fixed-length text without its blank padding."""
    return [[None if c is None else c.rstrip(" ") for c in row] for row in checks.mdb_rows(mdb, table)]


def settled(fn):
    """fn() once it answers; a file or table being written meanwhile counts as not yet."""
    def look():
        try:
            return fn()
        except RuntimeError:
            return False
    return look


def screenshot_over_main(path, dialog):
    """The main window with the dialog over it: the rectangle that holds both."""
    boxes = [gui.extents(program.main), gui.extents(dialog)]
    left, top = min(b[0] for b in boxes), min(b[1] for b in boxes)
    right, bottom = max(b[0] + b[2] for b in boxes), max(b[1] + b[3] for b in boxes)
    subprocess.run(["/usr/bin/import", "-display", os.environ["DISPLAY"], "-window", "root",
                    "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                    "png:" + path], check=True, timeout=30)


def cancel_midway(button, table, target):
    """Starts a long transfer, presses Cancel on its progress dialog and checks the outcome;
    returns the number of rows the program says it sent, or None."""
    source, target_list = ((program.mysql, program.access) if target == "Access"
                           else (program.access, program.mysql))
    program.select(source, table)
    program.press(button)
    if target_list is program.mysql and table in program.mysql_items():
        program.answer("Yes")
    title = "Sending %s to %s" % (table, target)
    progress = gui.wait_window(program.app, title, timeout=30)
    label = gui.wait_for(lambda: [gui.name(n) for n in gui.find_all(progress, "label", showing=True)
                                  if re.fullmatch(r"\d+ of %d rows" % BIG_ROWS, gui.name(n))],
                         10, "the rows done of the total")
    report.check("to %s: the progress dialog counts rows done of the total" % target, bool(label), label)
    gui.click_button(progress, "Cancel")
    _, text, _ = program.answer(timeout=30)
    match = re.fullmatch(r"Cancelled after (\d+) of %d rows\." % BIG_ROWS, text)
    report.check("to %s: Cancel ends the transfer with the rows done" % target, match is not None, text)
    report.check("to %s: the progress dialog is gone" % target, title not in gui.window_titles(program.app))
    report.check("to %s: the cancelled table is listed once" % target,
                 gui.list_items(target_list).count(table) == 1, gui.list_items(target_list))
    if not match:
        return None
    done = int(match.group(1))
    report.check("to %s: it stopped part-way" % target, 0 < done < BIG_ROWS, done)
    return done


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
    program.wait_list(program.mysql, lambda items: "Table1" in items, "Table1 in the MySQL list")
    report.equal("sent to MySQL: the list shows it at its place",
                 program.mysql_items(), ["big", "many", "Table1", "towns"])
    report.equal("sent to MySQL: the server has the table with every row",
                 db.count("Table1"), len(table1))
    report.equal("no message after a transfer", program.messages_showing(), [])

    # MySQL -> Access
    program.select(program.mysql, "towns")
    program.press("Send Table to Access")
    program.wait_list(program.access, lambda items: "towns" in items, "towns in the Access list")
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
    time.sleep(0.5)
    report.equal("No: nothing else is shown", program.messages_showing(), [])
    report.equal("No: the MySQL table is left alone", db.count("Table1"), len(table1) + 1)
    report.equal("No: the list is unchanged", program.mysql_items(), ["big", "many", "Table1", "towns"])
    program.press("Send Table to MySQL")
    report.equal("asked again", program.answer("Yes")[1], "Would you like to overwrite Table1?")
    gui.wait_for(settled(lambda: db.count("Table1") == len(table1)
                         and program.mysql_items() == ["big", "many", "Table1", "towns"]),
                 30, "Table1 replaced on the server")
    report.check("Yes: the table is replaced by the Access rows, listed once", True)

    # The overwrite question, towards Access.
    db.run("INSERT INTO towns VALUES (4, 'Córdoba', NULL);")
    program.select(program.mysql, "towns")
    program.press("Send Table to Access")
    report.equal("overwrite question towards Access", program.answer("No"),
                 ("Overwrite?", "Would you like to overwrite towns?", ["Yes", "No"]))
    time.sleep(0.5)
    report.equal("No: nothing else is shown", program.messages_showing(), [])
    report.equal("No: the Access table is left alone", len(access_rows("towns")), 3)
    program.press("Send Table to Access")
    report.equal("asked again", program.answer("Yes")[1], "Would you like to overwrite towns?")
    gui.wait_for(settled(lambda: len(access_rows("towns")) == 4
                         and program.access_items().count("towns") == 1),
                 30, "towns replaced in the Access file")
    report.equal("Yes: the Access table holds the server's rows now", access_rows("towns")[3],
                 ["4", "Córdoba", None])

    # Long transfers: their progress dialog, and Cancel.
    cancel_midway("Send Table to Access", "many", "Access")
    report.equal("the rows sent before Cancel stay in the Access file, in the order read",
                 access_rows("many"), [[str(i), "row %d" % i] for i in range(1, len(access_rows("many")) + 1)])

    program.select(program.mysql, "big")
    program.press("Send Table to Access")
    progress = gui.wait_window(program.app, "Sending big to Access", timeout=30)
    report.check("a transfer of more than 500 rows shows its progress", True)
    if shots:
        screenshot_over_main(os.path.join(shots, "progress.png"), progress)
    program.wait_list(program.access, lambda items: "big" in items, "big sent to Access", timeout=90)
    gui.wait_window_gone(program.app, progress)
    report.equal("without Cancel every row arrives", len(access_rows("big")), BIG_ROWS)

    done = cancel_midway("Send Table to MySQL", "big", "MySQL")
    if done is not None:
        report.equal("the rows sent before Cancel stay on the server", db.count("big"), done)
        report.equal("they are the first rows, each once",
                     db.run("SELECT COUNT(DISTINCT id), MIN(CAST(id AS UNSIGNED)), "
                            "MAX(CAST(id AS UNSIGNED)) FROM big;")[0],
                     [str(done), "1", str(done)])
    program.stop()
    program = None
except (AssertionError, gui.DriverError, RuntimeError) as e:
    report.check("the checks ran to their end", False, e)
finally:
    if program:
        program.stop()
    db.drop()

sys.exit(report.finish())

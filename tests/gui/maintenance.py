# Deleting and renaming tables on each side through the buttons, as a person
# would; after each step the list, the database itself (mariadb client,
# mdb-tables) and the messages shown agree.
#
# usage: maintenance.py TABLORIA_BINARY SCRATCH_DIR [SCREENSHOT_DIR]
import os
import sys

import checks
from checks import gui

binary, scratch = sys.argv[1], sys.argv[2]
report = checks.Report()
server = checks.TestServer()
db = checks.ScratchDatabase(server, "gui_maintenance_%d" % os.getpid())
mdb = checks.fixture_copy("testV2000.mdb", scratch)
config = os.path.join(scratch, "config")
program = None


def agree(side, expected):
    """The list on that side, the database behind it and the expectation are one."""
    if side == "access":
        shown, stored = program.access_items(), checks.mdb_tables(mdb)
    else:
        shown, stored = program.mysql_items(), db.tables()
    report.equal("%s list after that step" % side, shown, expected)
    report.equal("%s database after that step" % side, stored, expected)
    report.equal("%s: nothing selected after that step" % side,
                 gui.selected_list_items(program.access if side == "access" else program.mysql), [])


def rename(side, old, new):
    program.select(program.access if side == "access" else program.mysql, old)
    program.press("Rename Table", side)
    dialog = gui.wait_window(program.app, "Tabloria", role="dialog")
    prompt = [gui.name(n) for n in gui.find_all(dialog, "label", showing=True) if gui.name(n)]
    report.equal("%s rename asks for the new name" % side, prompt, ["Enter new name of %s:" % old])
    gui.answer_input_dialog(program.app, new, how="keys")


def no_message_follows():
    program.wait_idle()
    return program.messages_showing()


try:
    db.run("CREATE TABLE alpha (a INT); CREATE TABLE `beta gamma` (a INT); CREATE TABLE omega (a INT);")
    checks.write_settings(config, "%s:%s" % (server.host, server.port), server.user,
                          server.password, db.name, mdb)
    program = checks.Program(binary, config)
    program.wait_list(program.mysql, lambda items: len(items) == 3, "the MySQL list")
    access = checks.mdb_tables(mdb)
    report.equal("Access list at start", program.access_items(), access)

    # Access side: rename to a name with a blank, then delete it.
    rename("access", "Table2", "Second table")
    program.wait_list(program.access, lambda items: "Second table" in items, "the new Access name")
    access = sorted([t for t in access if t != "Table2"] + ["Second table"], key=str.lower)
    report.equal("Access rename: no message", no_message_follows(), [])
    agree("access", access)

    program.select(program.access, "Second table")
    program.press("Delete Table", "access")
    program.wait_list(program.access, lambda items: "Second table" not in items, "the Access delete")
    access.remove("Second table")
    report.equal("Access delete: no message", no_message_follows(), [])
    agree("access", access)
    program.press("Delete Table", "access")
    report.equal("a second Access delete without a new choice asks for one",
                 program.answer()[1], checks.NO_SELECTION)

    program.select(program.access, "Table3")
    program.press("Rename Table", "access")
    gui.answer_input_dialog(program.app, "never used", accept=False)
    report.equal("Access rename cancelled: no message", no_message_follows(), [])
    report.equal("Access rename cancelled: the file keeps its tables", checks.mdb_tables(mdb), access)
    report.equal("Access rename cancelled: the list too", program.access_items(), access)

    # MySQL side: rename, a rename the server refuses, delete.
    rename("mysql", "alpha", "alpha renamed")
    program.wait_list(program.mysql, lambda items: "alpha renamed" in items, "the new MySQL name")
    report.equal("MySQL rename: no message", no_message_follows(), [])
    agree("mysql", ["alpha renamed", "beta gamma", "omega"])

    rename("mysql", "omega", "beta gamma")   # taken: the server refuses it
    refusal = program.answer(timeout=20)[1]
    report.check("a refused rename is reported with its statement",
                 refusal.startswith("What happened?: RENAME TABLE"), refusal)
    followed = program.answer_until_idle()
    report.check("and then the server's own words", any("already exists" in t for t in followed), followed)
    report.equal("after a refused rename the list keeps the old name", program.mysql_items(),
                 ["alpha renamed", "beta gamma", "omega"])
    report.equal("and the server its tables", db.tables(), ["alpha renamed", "beta gamma", "omega"])

    program.select(program.mysql, "beta gamma")
    program.press("Delete Table", "mysql")
    program.wait_list(program.mysql, lambda items: "beta gamma" not in items, "the MySQL delete")
    report.equal("MySQL delete: no message", no_message_follows(), [])
    agree("mysql", ["alpha renamed", "omega"])
    program.press("Rename Table", "mysql")
    report.equal("a MySQL rename without a new choice asks for one",
                 program.answer()[1], checks.NO_SELECTION)

    db.run("DROP TABLE omega;")   # dropped meanwhile by another client
    program.select(program.mysql, "omega")
    program.press("Delete Table", "mysql")
    report.check("deleting a table dropped meanwhile is reported", bool(program.answer(timeout=20)[1]))
    program.answer_until_idle()
    report.equal("and the list keeps the name", program.mysql_items(), ["alpha renamed", "omega"])
    program.stop()
    program = None
except (AssertionError, gui.DriverError, RuntimeError) as e:
    report.check("the checks ran to their end", False, e)
finally:
    if program:
        program.stop()
    db.drop()

sys.exit(report.finish())

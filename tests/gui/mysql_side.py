# The MySQL side as a person meets it: the list of the server's tables,
# sorted, the first one selected; "Test Connection" with good and with wrong
# values; and a start-up against a server that is not there, which must end
# in one message and a window that still works.
#
# usage: mysql_side.py TABLORIA_BINARY SCRATCH_DIR [SCREENSHOT_DIR]
import os
import sys
import time

import checks
from checks import gui

binary, scratch = sys.argv[1], sys.argv[2]
report = checks.Report()
server = checks.TestServer()
db = checks.ScratchDatabase(server, "gui_mysql_side_%d" % os.getpid())
mdb = checks.fixture_copy("testV2000.mdb", scratch)
config = os.path.join(scratch, "config")
program = None


def settings(server_text, password=server.password):
    checks.write_settings(config, server_text, server.user, password, db.name, mdb)


try:
    # Created out of order and in mixed case: the list sorts them itself.
    db.run("CREATE TABLE zeta (a INT); CREATE TABLE `beta gamma` (a INT); "
           "CREATE TABLE Alpha (a INT); CREATE TABLE mid (a INT);")
    settings("%s:%s" % (server.host, server.port))
    program = checks.Program(binary, config)
    program.wait_list(program.mysql, lambda items: len(items) == 4, "the MySQL list to fill")
    report.equal("MySQL list: the server's tables, sorted without regard to case",
                 program.mysql_items(), ["Alpha", "beta gamma", "mid", "zeta"])
    report.equal("MySQL list: the first table is selected",
                 gui.selected_list_items(program.mysql), ["Alpha"])
    report.equal("Access list: the fixture's tables", program.access_items(),
                 checks.mdb_tables(mdb))
    report.equal("no message at a start-up that finds both databases", program.messages_showing(), [])

    # The connection test, from the setup dialog the main window opens.
    program.press("Setup Access & MySQL Connections")
    setup = gui.wait_window(program.app, "Setup Connections")
    gui.click_button(setup, "Test Connection")
    title, text, buttons = program.answer()
    report.equal("Test Connection with good values", (title, text, buttons),
                 ("Tabloria", "Connection successful.", ["OK"]))

    password = gui.find_text_field(setup, label="Password:")
    gui.set_text(password, "not-the-password")
    gui.click_button(setup, "Test Connection")
    title, text, buttons = program.answer(timeout=20)
    report.check("Test Connection with a wrong password says it could not connect",
                 text.startswith("Could not connect. Please check server, username, password, "
                                 "database with your administrator."), text)
    report.equal("that message has OK only, under the program's title", (title, buttons),
                 ("Tabloria", ["OK"]))
    report.check("the typed values stay after a failed test", gui.text_length(password)
                 == len("not-the-password"))

    db.run("CREATE TABLE later (a INT);")  # the list is read once per run, not on the way back
    gui.set_text(password, server.password)
    gui.click_button(setup, "OK")
    gui.wait_window(program.app, "Tabloria")
    gui.wait_window_gone(program.app, setup)
    report.equal("back in the main window, the lists are as they were",
                 program.mysql_items(), ["Alpha", "beta gamma", "mid", "zeta"])
    program.stop()
    program = None

    # A server that is not there: one message, then a window that works.
    settings("127.0.0.1:%d" % checks.closed_port())
    program = checks.Program(binary, config, wait=False)
    title, text, _ = program.answer(timeout=30)
    program.wait_main()
    report.check("a stopped server is reported at start-up",
                 text.startswith("The MySQL tables could not be listed"), text)
    report.check("the report carries the server's own description",
                 "Can't connect" in text, text)
    time.sleep(1.0)  # a second message would be up by now
    report.equal("only that one message", program.messages_showing(), [])
    report.equal("the window opens with an empty MySQL list", program.mysql_items(), [])
    report.equal("and the Access list filled", program.access_items(), checks.mdb_tables(mdb))
    program.press("Delete Table", "mysql")
    report.equal("the window answers: the MySQL delete asks for a selection",
                 program.answer()[1], checks.NO_SELECTION)
    program.select(program.access, "Table1")
    program.press("Send Table to MySQL")
    _, text, _ = program.answer(timeout=30)
    report.check("sending to the missing server says it could not connect",
                 text.startswith("Could not connect to MySQL."), text)
    time.sleep(0.5)
    report.equal("and nothing more is shown", program.messages_showing(), [])
    report.equal("the MySQL list stays empty", program.mysql_items(), [])
    program.stop()
    program = None
except (AssertionError, gui.DriverError, RuntimeError) as e:
    report.check("the checks ran to their end", False, e)
finally:
    if program:
        program.stop()
    db.drop()

sys.exit(report.finish())

# The MySQL side as a person meets it: the list of the server's tables,
# sorted, the first one selected; "Test Connection" with good and with wrong
# values; a server that takes the connection and never answers, which must
# leave every window usable while the program waits for it; and a start-up
# against a server that is not there, which must end in one message and a
# window that works.
#
# usage: mysql_side.py TABLORIA_BINARY SCRATCH_DIR [SCREENSHOT_DIR]
import os
import sys

import checks
from checks import gui

binary, scratch = sys.argv[1], sys.argv[2]
report = checks.Report()
server = checks.TestServer()
db = checks.ScratchDatabase(server, "gui_mysql_side_%d" % os.getpid())
mdb = checks.fixture_copy("testV2000.mdb", scratch)
config = os.path.join(scratch, "config")
silent = checks.SilentServer()
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

    # A server that never answers: the test says it is trying, the setup
    # window takes typing meanwhile, and the answer comes after the time-out.
    gui.set_text(password, server.password)
    server_box = gui.find_text_field(setup, label="Server:")
    gui.set_text(server_box, "127.0.0.1:%d" % silent.port)
    gui.click_button(setup, "Test Connection")
    trying = gui.find_button(setup, "Testing Connection...", timeout=10)
    report.check("Test Connection says it is trying, and takes no second press",
                 not gui.is_enabled(trying))
    database = gui.find_text_field(setup, label="Database:")
    gui.set_text(database, db.name + "x", how="keys")
    gui.set_text(database, db.name)
    report.check("the setup window takes typing while the test waits",
                 gui.find_all(setup, gui.BUTTON_ROLES, "Testing Connection...", showing=True) != [])
    title, text, _ = program.answer(timeout=60)
    report.check("a server that never answers: could not connect, after the time-out",
                 text.startswith("Could not connect."), text)
    gui.find_button(setup, "Test Connection", timeout=10)

    db.run("CREATE TABLE later (a INT);")  # the list is read once per run, not on the way back
    gui.click_button(setup, "OK")
    gui.wait_window(program.app, "Tabloria")
    gui.wait_window_gone(program.app, setup)
    report.equal("back in the main window, the lists are as they were",
                 program.mysql_items(), ["Alpha", "beta gamma", "mid", "zeta"])

    # Cancel while connecting to a server that never answers: the dialog names
    # the phase and goes at once; nothing is shown after it.
    program.select(program.access, "Table1")
    program.press("Send Table to MySQL")
    progress = gui.wait_window(program.app, "Sending Table1 to MySQL", timeout=30)
    report.check("the progress dialog says it is connecting", gui.wait_for(
        lambda: [n for n in gui.find_all(progress, "label", showing=True)
                 if gui.name(n) == "Connecting to MySQL..."], 10, "the connecting label"))
    gui.click_button(progress, "Cancel")
    gui.wait_window_gone(program.app, progress, timeout=10)
    program.wait_idle(10)
    report.equal("Cancel while connecting: nothing shown after it", program.messages_showing(), [])
    report.equal("and no table on the server", db.tables(), ["Alpha", "beta gamma", "later", "mid", "zeta"])
    program.stop()
    program = None

    # Start-up against a server that never answers: the main window is there
    # at once with the Access list, working on the MySQL list meanwhile.
    settings("127.0.0.1:%d" % silent.port)
    program = checks.Program(binary, config)
    program.wait_list(program.access, lambda items: items == checks.mdb_tables(mdb), "the Access list")
    report.check("a server that never answers: the window works on the MySQL list meanwhile",
                 program.working() and program.mysql_items() == [] and program.messages_showing() == [])
    title, text, _ = program.answer(timeout=60)
    report.check("and says so after the time-out", text.startswith("The MySQL tables could not be listed"), text)
    program.wait_idle()
    program.stop()
    program = None

    # Closing the window while it still waits for that server ends the program.
    program = checks.Program(binary, config)
    gui.wait_for(program.working, 10, "the start-up at work")
    checks.close_window(program.app.pid, "Tabloria")
    program.app.proc.wait(60)
    report.equal("closed while connecting: the program ends, and cleanly", program.app.proc.returncode, 0)
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
    program.wait_idle()
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
    program.wait_idle()
    report.equal("and nothing more is shown", program.messages_showing(), [])
    report.equal("the MySQL list stays empty", program.mysql_items(), [])
    program.stop()
    program = None
except (AssertionError, gui.DriverError, RuntimeError) as e:
    report.check("the checks ran to their end", False, e)
finally:
    if program:
        program.stop()
    silent.close()
    db.drop()

sys.exit(report.finish())

# A person's first run, operated through the accessibility tree on a virtual
# display: the setup dialog comes up on an empty store, Escape does not close
# it, the five values are typed, "..." picks an Access file, "OK" brings up
# "Tabloria". A second start with those values shows only "Tabloria".
#
# usage: first_run.py TABLORIA_BINARY CONFIG_HOME [SCREENSHOT_DIR]
import configparser
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "driver"))
import driver as gui  # noqa: E402

binary, config_home = sys.argv[1], sys.argv[2]
shots = sys.argv[3] if len(sys.argv) > 3 else None
store = os.path.join(config_home, "Quenmark.conf")
env = {"XDG_CONFIG_HOME": config_home}
failures = []


def check(what, condition):
    print(("PASS: " if condition else "FAIL: ") + what)
    if not condition:
        failures.append(what)


def stored():
    parser = configparser.RawConfigParser()
    parser.optionxform = str
    parser.read(store)
    return dict(parser["Tabloria"]) if parser.has_section("Tabloria") else {}


def answer_load_messages(when):
    access = gui.answer_message_box(app)
    check(when + ": the missing Access file is reported", access == "Unable to access the database")
    mysql = gui.answer_message_box(app, timeout=30)  # a name lookup may take a while
    check(when + ": the unreachable MySQL server is reported",
          mysql.startswith("The MySQL tables could not be listed"))


app = gui.start_app([binary], env=env)
setup = gui.wait_window(app, "Setup Connections")
check("empty store: only the setup dialog", gui.window_titles(app) == ["Setup Connections"])
if shots:
    gui.screenshot(os.path.join(shots, "setup-connections.png"), setup)

server = gui.find_text_field(setup, label="Server:")
gui.focus(server)
gui.press_key("Escape")
gui.set_text(server, "db.example", how="keys")  # typed after Escape: handled after it
check("Escape leaves the setup dialog open", gui.window_titles(app) == ["Setup Connections"])
gui.set_text(gui.find_text_field(setup, label="Username:"), "alice")
gui.set_text(gui.find_text_field(setup, label="Password:"), "s3cret")
gui.set_text(gui.find_text_field(setup, label="Database:"), "shop")
check("password is masked", gui.get_text(gui.find_text_field(setup, label="Password:")) == "")

mdb = os.path.join(config_home, "shop.mdb")  # need not exist
gui.click_button(setup, "...")
gui.answer_file_dialog(app, mdb)
check("a chosen file that does not exist is offered as a new database",
      gui.answer_message_box(app, "No") == "Create a new Access database %s?" % mdb)
path_box = gui.find_text_field(setup, label="Access MDB File:")
gui.wait_for(lambda: gui.get_text(path_box) == mdb, 5, "Text5 to show the chosen file")
gui.click_button(setup, "...")
gui.answer_file_dialog(app, "", accept=False)
check("a cancelled chooser keeps the path", gui.get_text(path_box) == mdb)

values = stored()
check("the store holds every value before OK",
      values == {"Server": "db.example", "User": "alice", "Password": "s3cret",
                 "Database": "shop", "AccessMDBFile": mdb})
check("the store is readable by its owner only", (os.stat(store).st_mode & 0o777) == 0o600)

gui.click_button(setup, "OK")  # the file answered No is not offered again
# The main window's load reads both lists; neither the made-up file nor the
# made-up server is there, and each says so once.
answer_load_messages("OK")
main = gui.wait_window(app, "Tabloria")
gui.wait_window_gone(app, setup)
check("OK: only Tabloria is shown", gui.window_titles(app) == ["Tabloria"])
check("main window lists are named after their frames",
      [gui.name(n) for n in gui.find_all(main, gui.LIST_ROLES, showing=True)]
      == ["Access Tables", "MySQL Tables"])
if shots:
    gui.screenshot(os.path.join(shots, "tabloria.png"), main)

gui.click_button(main, "Setup Access & MySQL Connections")
gui.wait_window(app, "Setup Connections")
check("the setup button brings the dialog back", gui.window_titles(app) == ["Setup Connections"])
app.stop()

app = gui.start_app([binary], env=env)
answer_load_messages("start-up")
main = gui.wait_window(app, "Tabloria")
gui.wait_for(lambda: gui.description(main) != "Working", 30, "the start-up to end")
check("complete settings: only Tabloria at start", gui.window_titles(app) == ["Tabloria"])
app.stop()

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)

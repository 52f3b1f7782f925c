# What the checks that work on real databases share: a scratch MySQL database
# on the test server, a copy of a real Access file, a settings scope of their
# own pointing at both, the program started on them, and the two oracles
# (the mariadb client and mdbtools) to see what really reached each database.
import configparser
import csv
import io
import json
import os
import select
import shutil
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "driver"))
import driver as gui  # noqa: E402

ACCESS_LIST = "Access Tables"
MYSQL_LIST = "MySQL Tables"
NO_SELECTION = "Please select a table to insert"
CLIENT_TIMEOUT = 60  # seconds for one mariadb or mdbtools call
FIXTURES = os.environ.get("TABLORIA_FIXTURES") or "/work/shared/fixtures/mdb"


class Report:
    """PASS/FAIL lines as the checks go; the exit status says whether any failed."""

    def __init__(self):
        self.failures = []

    def check(self, what, condition, detail=None):
        print(("PASS: " if condition else "FAIL: ") + what
              + ("" if condition or detail is None else "  [%s]" % (detail,)), flush=True)
        if not condition:
            self.failures.append(what)
        return condition

    def equal(self, what, seen, expected):
        return self.check(what, seen == expected, "saw %r, expected %r" % (seen, expected))

    def finish(self):
        print("%d failed" % len(self.failures), flush=True)
        return 1 if self.failures else 0


# --------------------------------------------------------------------------- MySQL


class TestServer:
    """The test MariaDB that scripts/test starts, reached by its mariadb client over the socket."""

    def __init__(self):
        env = os.environ
        self.host = env["TABLORIA_TEST_MYSQL_HOST"]
        self.port = env["TABLORIA_TEST_MYSQL_PORT"]
        self.socket = env["TABLORIA_TEST_MYSQL_SOCKET"]
        self.user = env["TABLORIA_TEST_MYSQL_USER"]
        self.password = env["TABLORIA_TEST_MYSQL_PASSWORD"]

    def run(self, sql, database=None):
        """Runs sql; returns the result rows as lists of texts (None for NULL)."""
        argv = ["mariadb", "--no-defaults", "--socket=" + self.socket, "-u" + self.user,
                "--password=" + self.password, "--batch", "--skip-column-names",
                "--default-character-set=utf8mb4"]
        if database:
            argv.append(database)
        p = subprocess.run(argv, input=sql, capture_output=True, text=True, timeout=CLIENT_TIMEOUT)
        if p.returncode != 0:
            raise RuntimeError("mariadb refused %r: %s" % (sql[:200], p.stderr.strip()))
        return [[None if c == "NULL" else c.replace("\\t", "\t").replace("\\n", "\n")
                 .replace("\\\\", "\\") for c in line.split("\t")]
                for line in p.stdout.splitlines()]


class ScratchDatabase:
    """A database of the check's own on the test server, dropped at the end."""

    def __init__(self, server, name):
        self.server, self.name = server, name
        server.run("DROP DATABASE IF EXISTS `%s`; CREATE DATABASE `%s` CHARACTER SET utf8mb4;"
                   % (name, name))

    def run(self, sql):
        return self.server.run(sql, self.name)

    def tables(self):
        return sorted((r[0] for r in self.run("SHOW TABLES;")), key=str.lower)

    def rows(self, table):
        return self.run("SELECT * FROM `%s`;" % table.replace("`", "``"))

    def count(self, table):
        return int(self.run("SELECT COUNT(*) FROM `%s`;" % table.replace("`", "``"))[0][0])

    def drop(self):
        self.server.run("DROP DATABASE IF EXISTS `%s`;" % self.name)


class LockingSession:
    """A second client of the test server that holds LOCK TABLES `table` WRITE until released:
    a transfer that reads or writes the table waits meanwhile, whatever the machine's speed,
    so its progress dialog stays up. The lock is held once the constructor returns (it waits
    for the transfer's open transaction on the table to end)."""

    def __init__(self, server, database, table, timeout=CLIENT_TIMEOUT):
        argv = ["mariadb", "--no-defaults", "--socket=" + server.socket, "-u" + server.user,
                "--password=" + server.password, "--batch", "--skip-column-names", "--unbuffered",
                database]
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        self.proc.stdin.write("LOCK TABLES `%s` WRITE; SELECT 'locked';\n" % table.replace("`", "``"))
        self.proc.stdin.flush()
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        line = self.proc.stdout.readline().strip() if ready else ""
        if line != "locked":
            self.proc.kill()
            raise RuntimeError("no lock on %s within %d s: %r %s"
                               % (table, timeout, line, self.proc.stderr.read()))

    def release(self):
        if self.proc.poll() is None:
            self.proc.stdin.write("UNLOCK TABLES;\n")
            self.proc.stdin.close()
            self.proc.wait(CLIENT_TIMEOUT)


class SilentServer:
    """A loopback port that takes connections and never says a word: a client connecting to
    it waits for the server's greeting until its own time-out."""

    def __init__(self):
        self.socket = socket.socket()
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(16)   # the kernel completes the handshakes; nobody answers
        self.port = self.socket.getsockname()[1]

    def close(self):
        self.socket.close()


def closed_port():
    """A loopback port nobody listens on (bound once by us and released)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# --------------------------------------------------------------------------- Access


def fixture_copy(fixture, folder):
    """A writable copy of a real Access file from $TABLORIA_FIXTURES."""
    target = os.path.join(folder, fixture)
    shutil.copyfile(os.path.join(FIXTURES, fixture), target)
    os.chmod(target, 0o600)
    return target


def _mdbtool(argv):
    p = subprocess.run(argv, capture_output=True, text=True, timeout=CLIENT_TIMEOUT)
    if p.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(argv), p.stderr.strip()))
    return p.stdout


def mdb_tables(path):
    """User tables of an .mdb file as mdb-tables reads them, sorted as the program's lists are."""
    return sorted((t for t in _mdbtool(["mdb-tables", "-1", path]).splitlines() if t),
                  key=str.lower)


def mdb_rows(path, table):
    """Rows of a table as mdb-export reads them (texts; None for NULL)."""
    text = _mdbtool(["mdb-export", "-H", "-0", "NULLVALUE", path, table])
    return [[None if c == "NULLVALUE" else c for c in row] for row in csv.reader(io.StringIO(text))]


# --------------------------------------------------------------------------- settings


def _ini_value(text):
    # QSettings reads ';' and ',' as syntax unless the value is quoted.
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def write_settings(config_home, server, user, password, database, mdb, access_password=""):
    """The program's settings scope (Quenmark.conf under XDG_CONFIG_HOME), owner-only."""
    os.makedirs(config_home, exist_ok=True)
    values = {"Server": server, "User": user, "Password": password, "Database": database,
              "AccessMDBFile": mdb, "AccessPassword": access_password}
    path = os.path.join(config_home, "Quenmark.conf")
    with open(path, "w") as f:
        f.write("[Tabloria]\n")
        for key, text in values.items():
            f.write("%s=%s\n" % (key, _ini_value(text)))
    os.chmod(path, 0o600)
    return path


def read_settings(config_home):
    parser = configparser.RawConfigParser()
    parser.optionxform = str
    parser.read(os.path.join(config_home, "Quenmark.conf"))
    return dict(parser["Tabloria"]) if parser.has_section("Tabloria") else {}


# --------------------------------------------------------------------------- the program


def state_home(config_home):
    """Where a check's program keeps its history: beside its settings, never the user's."""
    return os.path.join(os.path.dirname(os.path.abspath(config_home)), "state")


def history(binary, config_home):
    """The history the program kept for a check, as its command line reads it back."""
    p = subprocess.run([binary, "history", "--json"], capture_output=True, text=True, timeout=CLIENT_TIMEOUT,
                       env={**os.environ, "XDG_STATE_HOME": state_home(config_home)})
    if p.returncode != 0:
        raise RuntimeError("tabloria history failed: %s" % p.stderr.strip())
    return json.loads(p.stdout)


class Program:
    """The running program with its main window and both lists."""

    def __init__(self, binary, config_home, name=None, argv=None, env=None, start_timeout=30,
                 wait=True):
        """argv and name: for a program started through a script (whose pid differs).
        wait=False: return at once, for a start whose load shows messages first."""
        extra = {"XDG_CONFIG_HOME": config_home, "XDG_STATE_HOME": state_home(config_home)}
        extra.update(env or {})
        self.app = gui.start_app(argv or [binary], name=name, env=extra, timeout=start_timeout)
        if wait:
            self.wait_main()

    def wait_main(self):
        self.main = gui.wait_window(self.app, "Tabloria", role=("filler", "frame"), timeout=30)
        self.access = gui.find_list(self.main, ACCESS_LIST)
        self.mysql = gui.find_list(self.main, MYSQL_LIST)

    def working(self):
        """True while a command of the main window runs (the window says so to screen readers)."""
        return gui.description(self.main) == "Working"

    def wait_idle(self, timeout=60):
        """Waits until no command of the main window runs: every message it had to show has
        been shown and answered by then."""
        gui.wait_for(lambda: not self.working(), timeout, "the command to end")

    def answer_until_idle(self, timeout=60):
        """Answers every message box the running command shows, one after another, until the
        command ends; returns their texts. A command may show its next box only once the one
        before is answered, so no box on screen does not yet mean the command is done."""
        texts = []
        deadline = time.monotonic() + timeout
        while True:
            state = gui.wait_for(lambda: "box" if self.messages_showing() else
                                 "working" if self.working() else "idle", timeout, "the command's state")
            if state == "idle":
                return texts
            if state == "box":
                texts.append(self.answer()[1])
            elif time.monotonic() > deadline:
                raise gui.WaitTimeout("the command still runs after %d s" % timeout)
            else:
                time.sleep(0.05)

    def access_items(self):
        return gui.list_items(self.access)

    def mysql_items(self):
        return gui.list_items(self.mysql)

    def messages_showing(self):
        """Texts of the message boxes now on screen."""
        return [gui.message_box_text(w) for w in gui.windows(self.app)
                if gui.role(w) == "alert" and gui.is_showing(w)]

    def press(self, button, side=None):
        """Presses one of the main window's buttons by caption. "Delete Table" and "Rename Table"
        are there twice: side "access" is the one on the left, "mysql" the one on the right."""
        def look():
            found = sorted(gui.find_all(self.main, gui.BUTTON_ROLES, button, showing=True),
                           key=lambda n: gui.extents(n)[0])
            if side is None:
                return found[0] if len(found) == 1 else None
            return found[0 if side == "access" else -1] if len(found) == 2 else None
        gui.click(gui.wait_for(look, what="button %r %s" % (button, side or "")))

    def select(self, list_node, text):
        gui.select_list_item(list_node, text)

    def wait_list(self, list_node, condition, what, timeout=30):
        """Waits until condition(items) holds; a message box shown meanwhile is named in the
        failure, since it usually says why."""
        def look():
            if condition(gui.list_items(list_node)):
                return True
            boxes = self.messages_showing()
            if boxes:
                raise AssertionError("message instead of %s: %r" % (what, boxes))
            return False
        gui.wait_for(look, timeout, what)

    def answer(self, button="OK", timeout=gui.DEFAULT_TIMEOUT):
        """Presses button on the message box on top; returns (title, text, buttons)."""
        box = gui.wait_message_box(self.app, timeout=timeout)
        seen = (gui.name(box), gui.message_box_text(box), gui.message_box_buttons(box))
        gui.click_button(box, button)
        gui.wait_window_gone(self.app, box)
        return seen

    def stop(self):
        return self.app.stop()


# --------------------------------------------------------------------------- closing a window


def close_window(pid, title):
    """Asks the top-level X window `title` of process pid to close, with the WM_DELETE_WINDOW
    message a window manager sends when its close box is clicked (the virtual display has no
    window manager to click on)."""
    import ctypes
    from ctypes import POINTER, byref, c_char_p, c_int, c_long, c_uint, c_ulong, c_void_p

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", c_int), ("serial", c_ulong), ("send_event", c_int),
                    ("display", c_void_p), ("window", c_ulong), ("message_type", c_ulong),
                    ("format", c_int), ("data", c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("client", ClientMessage), ("pad", c_long * 24)]

    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = c_void_p
    x.XOpenDisplay.argtypes = [c_char_p]
    x.XDefaultRootWindow.restype = c_ulong
    x.XDefaultRootWindow.argtypes = [c_void_p]
    x.XInternAtom.restype = c_ulong
    x.XInternAtom.argtypes = [c_void_p, c_char_p, c_int]
    x.XQueryTree.argtypes = [c_void_p, c_ulong, POINTER(c_ulong), POINTER(c_ulong),
                             POINTER(POINTER(c_ulong)), POINTER(c_uint)]
    x.XFetchName.argtypes = [c_void_p, c_ulong, POINTER(c_char_p)]
    x.XGetWindowProperty.argtypes = [c_void_p, c_ulong, c_ulong, c_long, c_long, c_int, c_ulong,
                                     POINTER(c_ulong), POINTER(c_int), POINTER(c_ulong),
                                     POINTER(c_ulong), POINTER(ctypes.POINTER(ctypes.c_ubyte))]
    x.XSendEvent.argtypes = [c_void_p, c_ulong, c_int, c_long, POINTER(Event)]
    x.XFlush.argtypes = [c_void_p]
    x.XCloseDisplay.argtypes = [c_void_p]

    display = x.XOpenDisplay(os.environ["DISPLAY"].encode())
    if not display:
        raise RuntimeError("cannot open display %s" % os.environ["DISPLAY"])
    try:
        net_wm_pid = x.XInternAtom(display, b"_NET_WM_PID", 0)
        root, parent, kids, count = c_ulong(), c_ulong(), POINTER(c_ulong)(), c_uint()
        x.XQueryTree(display, x.XDefaultRootWindow(display), byref(root), byref(parent),
                     byref(kids), byref(count))
        target = None
        for i in range(count.value):
            window, name = kids[i], c_char_p()
            if not x.XFetchName(display, window, byref(name)) or name.value != title.encode():
                continue
            kind, fmt, n, after = c_ulong(), c_int(), c_ulong(), c_ulong()
            data = POINTER(ctypes.c_ubyte)()
            x.XGetWindowProperty(display, window, net_wm_pid, 0, 1, 0, 6,  # 6: XA_CARDINAL
                                 byref(kind), byref(fmt), byref(n), byref(after), byref(data))
            if n.value == 1 and ctypes.cast(data, POINTER(c_long))[0] == pid:
                target = window
        if target is None:
            raise RuntimeError("no X window %r of process %d" % (title, pid))
        event = Event()
        event.client.type = 33  # ClientMessage
        event.client.window = target
        event.client.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.client.format = 32
        event.client.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(display, target, 0, 0, byref(event))
        x.XFlush(display)
    finally:
        x.XCloseDisplay(display)

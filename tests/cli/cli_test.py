"""The command line, run as a user's script runs it: each command's success
and its exit codes, a new Access file read back by both oracles, the history
it keeps, its JSON parsed back, and usage errors refused before anything is
opened.

    python3 cli_test.py TABLORIA_BINARY
"""
import json
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
import checks  # noqa: E402

BINARY = None
TIMEOUT = 120  # seconds for one run of the program
READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "oracles", "read.mjs")


class CommandLineTest(unittest.TestCase):
    """Each test has its own settings, history and scratch folder."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tabloria-cli.")
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("TABLORIA_") or k.startswith("TABLORIA_TEST")
                    or k in ("TABLORIA_MDB_READER", "TABLORIA_FIXTURES")}
        self.env.update(HOME=self.folder, XDG_CONFIG_HOME=os.path.join(self.folder, "config"),
                        XDG_STATE_HOME=os.path.join(self.folder, "state"), LC_ALL="C.UTF-8")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_program(self, *args, env=None, input=None):
        p = subprocess.run([BINARY, *args], capture_output=True, text=True, timeout=TIMEOUT,
                           env={**self.env, **(env or {})}, input=input, cwd=self.folder)
        return p

    def path(self, name):
        return os.path.join(self.folder, name)

    def history(self):
        p = self.run_program("history", "--json")
        self.assertEqual(p.returncode, 0, p.stderr)
        return json.loads(p.stdout)


class UsageTest(CommandLineTest):
    def test_words_it_cannot_take_are_refused_with_exit_code_2(self):
        cases = [
            (["frobnicate"], "'frobnicate' is not a command"),
            (["send", "Orders"], "send needs --to mysql or --to access"),
            (["send", "--to", "postgres", "Orders"], "--to takes mysql or access"),
            (["send", "--to", "mysql"], "send needs the tables to send, or --all"),
            (["send", "--to", "mysql", "--all", "Orders"], "not both"),
            (["delete", "--side", "access"], "delete needs the tables"),
            (["rename", "--side", "mysql", "a"], "rename needs the old name and the new name"),
            (["new"], "new needs one Access file"),
            (["list", "--overwrite"], "--all, --overwrite, --keep-column-types and --char-columns belong to send"),
            (["list", "--keep-column-types"], "--all, --overwrite, --keep-column-types and --char-columns belong to send"),
            (["send", "--to", "mysql", "t", "--char-columns", "--keep-column-types"], "--keep-column-types or --char-columns given twice"),
            (["history", "--last", "zero"], "--last takes a number"),
            (["send", "--to", "mysql", "--bogus", "t"], "unknown option --bogus"),
            (["send", "--to", "mysql", "--password", "secret", "t"], "passwords are not taken on the command line"),
            (["list", "--password=secret"], "passwords are not taken on the command line"),
            (["list", "--server"], "--server needs a value"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                p = self.run_program(*args)
                self.assertEqual(p.returncode, 2, p.stderr)
                self.assertIn(message, p.stderr)
                self.assertEqual(p.stdout, "")
        self.assertEqual(self.history(), [], "a refused command line leaves no history")

    def test_help_and_version(self):
        p = self.run_program("--help")
        self.assertEqual(p.returncode, 0)
        for word in ("list", "send --to mysql|access", "delete --side", "rename --side", "new FILE.mdb",
                     "check FILE.mdb", "history", "--overwrite", "--json", "Exit status"):
            self.assertIn(word, p.stdout)
        self.assertRegex(self.run_program("--version").stdout, r"^tabloria \d+\.\d+")


class NewAndCheckTest(CommandLineTest):
    def test_a_new_file_is_read_by_our_reader_and_both_oracles_and_checks_clean(self):
        # The extension picks the format, whatever its case.
        for name, version in (("weekly.mdb", "JET4"), ("weekly.accdb", "ACE16"), ("Upper.ACCDB", "ACE16")):
            with self.subTest(name=name):
                p = self.run_program("new", name)
                self.assertEqual(p.returncode, 0, p.stderr)
                self.assertEqual(p.stdout, name + ": created, an empty Access database\n")
                ver = subprocess.run(["mdb-ver", self.path(name)], capture_output=True, text=True, timeout=TIMEOUT)
                self.assertEqual(ver.stdout.strip(), version)
                self.assertEqual(checks.mdb_tables(self.path(name)), [])
                if shutil.which("node") and os.environ.get("TABLORIA_MDB_READER"):
                    out = subprocess.run(["node", READER, self.path(name)], capture_output=True, text=True,
                                         timeout=TIMEOUT, check=True).stdout
                    self.assertEqual(json.loads(out), {"tables": []})
                p = self.run_program("check", name, "--json")
                self.assertEqual(p.returncode, 0, p.stderr)
                self.assertEqual(json.loads(p.stdout)["results"][0]["outcome"], "succeeded")

    def test_new_refuses_a_name_that_is_taken_and_check_tells_damage_from_strangers(self):
        with open(self.path("taken.mdb"), "w") as f:
            f.write("mine")
        p = self.run_program("new", "taken.mdb", "--json")
        self.assertEqual(p.returncode, 1)
        result = json.loads(p.stdout)["results"][0]
        self.assertEqual((result["file"], result["outcome"]), ("taken.mdb", "failed"))
        self.assertIn("already exists", result["error"])
        with open(self.path("taken.mdb")) as f:
            self.assertEqual(f.read(), "mine")

        damaged = checks.fixture_copy("noPasswordV2000.mdb", self.folder)
        with open(damaged, "r+b") as f:  # the global usage map says every page is free
            f.seek(4096 + 0xFBB + 5)
            f.write(b"\xff" * 64)
        p = self.run_program("check", damaged)
        self.assertEqual(p.returncode, 1, p.stdout)
        self.assertIn("findings:", p.stdout)
        self.assertIn("marked free", p.stdout)

        p = self.run_program("check", "/etc/hostname")
        self.assertEqual(p.returncode, 3)
        self.assertIn("not checked", p.stdout)


class HistoryTest(CommandLineTest):
    def test_every_command_adds_one_line_and_last_keeps_the_newest(self):
        self.run_program("new", "a.mdb")
        self.run_program("new", "a.mdb")
        self.run_program("check", "a.mdb")
        entries = self.history()
        self.assertEqual([(e["command"], e["outcome"]) for e in entries],
                         [("new", "succeeded"), ("new", "failed"), ("check", "succeeded")])
        self.assertTrue(all(e["from"] == "command-line" and e["access"] == self.path("a.mdb") for e in entries))
        self.assertIn("already exists", entries[1]["error"])
        p = self.run_program("history", "--last", "1")
        self.assertEqual(p.stdout.count("\n"), 1)
        self.assertIn("command=check", p.stdout)
        with open(os.path.join(self.folder, "state", "tabloria", "history.log")) as f:
            self.assertEqual(len(f.read().splitlines()), 3)


class ServerTest(CommandLineTest):
    """A scratch database on the test server and saved settings that name it, without its
    password: the password comes from the environment, as a script's would."""

    def setUp(self):
        super().setUp()
        if "TABLORIA_TEST_MYSQL_HOST" not in os.environ:
            self.skipTest("no test server (run through scripts/test)")
        self.server = checks.TestServer()
        self.db = checks.ScratchDatabase(self.server, "cli_%d_%s" % (os.getpid(), self._testMethodName[-20:]))
        self.mdb = self.path("week.mdb")
        checks.write_settings(os.path.join(self.folder, "config"), "%s:%s" % (self.server.host, self.server.port),
                              self.server.user, "", self.db.name, self.mdb)
        self.env["TABLORIA_MYSQL_PASSWORD"] = self.server.password

    def tearDown(self):
        self.db.drop()
        super().tearDown()

    def run_json(self, *args, env=None):
        p = self.run_program(*args, "--json", env=env)
        return p.returncode, json.loads(p.stdout)

    def start_on_terminal(self, *args):
        """The program with its standard error on a pseudo-terminal, as in a user's terminal."""
        leader, follower = pty.openpty()
        proc = subprocess.Popen([BINARY, *args], stdout=subprocess.PIPE, stderr=follower, text=True,
                                env=self.env, cwd=self.folder)
        os.close(follower)
        self.addCleanup(os.close, leader)
        return proc, leader

    def read_terminal_until(self, leader, pattern, seen=""):
        deadline = time.monotonic() + TIMEOUT
        while not re.search(pattern, seen):
            ready, _, _ = select.select([leader], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                self.fail("the terminal never showed %r; it showed %r" % (pattern, seen))
            try:
                seen += os.read(leader, 4096).decode("utf-8", "replace")
            except OSError:  # the program has ended
                self.fail("the program ended before its terminal showed %r; it showed %r" % (pattern, seen))
        return seen


class WeeklyTransferTest(ServerTest):
    def test_tables_sent_into_a_new_file_read_back_by_all_three_then_refused_without_overwrite(self):
        self.db.run("""
            CREATE TABLE towns (id INT, name VARCHAR(40), founded DATE);
            INSERT INTO towns VALUES (1, 'Aberdeen', '1179-01-01'), (2, 'O''Brien''s Cross', NULL),
                                     (3, 'Θεσσαλονίκη', '0315-01-01');
            CREATE TABLE orders (id INT, amount DECIMAL(10,2));
            INSERT INTO orders VALUES (1, 12.50), (2, NULL);
        """)
        self.assertEqual(self.run_program("new", "week.mdb").returncode, 0)
        p = self.run_program("send", "--to", "access", "towns", "orders")
        self.assertEqual(p.returncode, 0, p.stdout + p.stderr)
        lines = p.stdout.splitlines()
        self.assertRegex(lines[0], r"^towns: sent to Access and verified, 3 of 3 rows in \d+\.\d s$")
        self.assertRegex(lines[1], r"^orders: sent to Access and verified, 2 of 2 rows in ")
        self.assertEqual(len(lines), 2)
        self.assertEqual(p.stderr, "", "nothing on a pipe but the summary")

        expected = [["1", "Aberdeen"], ["2", "O'Brien's Cross"], ["3", "Θεσσαλονίκη"]]
        self.assertEqual([[r[0], r[1].rstrip()] for r in checks.mdb_rows(self.mdb, "towns")], expected)
        if shutil.which("node") and os.environ.get("TABLORIA_MDB_READER"):
            def reader(*args):
                return json.loads(subprocess.run(["node", READER, self.mdb, *args], capture_output=True, text=True,
                                                 timeout=TIMEOUT, check=True).stdout)
            self.assertEqual(sorted(reader()["tables"]), ["orders", "towns"])
            self.assertEqual([[r[0], r[1].rstrip()] for r in reader("", "towns")["rows"]],
                             expected)
        code, listed = self.run_json("list")
        self.assertEqual((code, listed["tables"]),
                         (0, {"access": ["orders", "towns"], "mysql": ["orders", "towns"]}))
        self.assertEqual(self.run_program("list", "--side", "access").stdout, "orders\ntowns\n")
        self.assertEqual(self.run_program("check", "week.mdb").returncode, 0)

        # Next week: the tables are there; without --overwrite each is an error and stays.
        code, doc = self.run_json("send", "--to", "access", "--all")
        self.assertEqual(code, 1)
        self.assertEqual([(r["table"], r["outcome"]) for r in doc["results"]],
                         [("orders", "failed"), ("towns", "failed")])
        self.assertIn("--overwrite", doc["results"][0]["error"])
        self.assertEqual(len(checks.mdb_rows(self.mdb, "towns")), 3)
        self.db.run("INSERT INTO towns VALUES (4, 'Zug', NULL);")
        code, doc = self.run_json("send", "--to", "access", "--all", "--overwrite")
        self.assertEqual((code, doc["exit"]), (0, 0))
        self.assertEqual([(r["table"], r["outcome"], r["read"], r["sent"], r["refused"], r["verified"],
                           r["keptTypes"]) for r in doc["results"]],
                         [("orders", "succeeded", 2, 2, 0, True, False), ("towns", "succeeded", 4, 4, 0, True, False)])
        self.assertEqual(len(checks.mdb_rows(self.mdb, "towns")), 4)
        self.assertEqual(self.run_program("check", "week.mdb").returncode, 0)

        sends = [e for e in self.history() if e["command"] == "send"]
        self.assertEqual([(e["table"], e["outcome"], e.get("sent")) for e in sends],
                         [("towns", "succeeded", 3), ("orders", "succeeded", 2), ("orders", "failed", None),
                          ("towns", "failed", None), ("orders", "succeeded", 2), ("towns", "succeeded", 4)])
        self.assertTrue(all(e["from"] == "command-line" and e["access"] == self.mdb
                            and e["mysql"] == "%s@%s:%s" % (self.db.name, self.server.host, self.server.port)
                            for e in sends), sends[0])

        # With the column types kept, the result and the history say so.
        code, doc = self.run_json("send", "--to", "access", "towns", "--overwrite", "--keep-column-types")
        self.assertEqual((code, [(r["outcome"], r["verified"], r["keptTypes"]) for r in doc["results"]]),
                         (0, [("succeeded", True, True)]))
        last = self.history()[-1]
        self.assertEqual((last["table"], last["verified"], last["keptTypes"]), ("towns", True, True))


class TableCommandsTest(ServerTest):
    def test_send_rename_and_delete_on_each_side(self):
        fixture = checks.fixture_copy("testV2000.mdb", self.folder)
        os.replace(fixture, self.mdb)
        access = checks.mdb_tables(self.mdb)
        self.assertIn("Table1", access)
        p = self.run_program("send", "--to", "mysql", "table1")  # Access names ignore case
        self.assertEqual(p.returncode, 0, p.stdout + p.stderr)
        self.assertEqual(self.db.tables(), ["Table1"])
        steps = [
            (["rename", "--side", "mysql", "Table1", "week one"], "Table1: renamed to week one\n",
             lambda: self.db.tables(), ["week one"]),
            (["delete", "--side", "mysql", "week one"], "week one: deleted\n", lambda: self.db.tables(), []),
            (["rename", "--side", "access", "Table1", "Archive"], "Table1: renamed to Archive\n",
             lambda: checks.mdb_tables(self.mdb), sorted(["Archive"] + [t for t in access if t != "Table1"],
                                                         key=str.lower)),
            (["delete", "--side", "access", "Archive"], "Archive: deleted\n", lambda: checks.mdb_tables(self.mdb),
             [t for t in access if t != "Table1"]),
        ]
        for args, out, tables, expected in steps:
            with self.subTest(args=args):
                p = self.run_program(*args)
                self.assertEqual((p.returncode, p.stdout), (0, out), p.stderr)
                self.assertEqual(tables(), expected)
        self.assertEqual(self.run_program("check", self.mdb).returncode, 0)
        self.assertEqual([(e["command"], e["side"], e["outcome"]) for e in self.history()],
                         [("send", "mysql", "succeeded"), ("rename", "mysql", "succeeded"),
                          ("delete", "mysql", "succeeded"), ("rename", "access", "succeeded"),
                          ("delete", "access", "succeeded"), ("check", "access", "succeeded")])

    def test_failures_give_their_exit_codes(self):
        self.run_program("new", "week.mdb")
        self.db.run("CREATE TABLE towns (id INT); CREATE TABLE other (id INT);")
        closed = "127.0.0.1:%d" % checks.closed_port()
        cases = [
            ("no such table", ["send", "--to", "access", "nowhere"], {}, 1, "the MySQL side has no table nowhere"),
            ("no server", ["send", "--to", "access", "towns", "--server", closed], {}, 3, "cannot connect to MySQL"),
            ("wrong password", ["delete", "--side", "mysql", "towns"], {"TABLORIA_MYSQL_PASSWORD": "wrong"}, 3,
             "cannot connect to MySQL"),
            ("no Access file", ["list", "--side", "access", "--mdb", "missing.mdb"], {}, 3, "cannot open the Access"),
            ("name taken", ["rename", "--side", "mysql", "towns", "other"], {}, 1, "RENAME TABLE"),
        ]
        for what, args, env, code, message in cases:
            with self.subTest(what):
                p = self.run_program(*args, "--json", env=env)
                self.assertEqual(p.returncode, code, p.stdout + p.stderr)
                doc = json.loads(p.stdout)
                self.assertEqual(doc["exit"], code)
                errors = [doc.get("error", "")] + [r.get("error", "") for r in doc["results"]]
                self.assertTrue(any(message in e for e in errors), doc)
        self.assertEqual(self.db.tables(), ["other", "towns"])

    def test_refused_rows_make_a_partial_transfer(self):
        # A latin1 database refuses characters it cannot hold.
        self.db.run("CREATE TABLE mixed (v VARCHAR(5)); INSERT INTO mixed VALUES ('a'), ('α'), ('b'), ('β');")
        self.run_program("new", "week.mdb")
        self.assertEqual(self.run_program("send", "--to", "access", "mixed").returncode, 0)
        latin1 = checks.ScratchDatabase(self.server, self.db.name + "_l1")
        self.addCleanup(latin1.drop)
        latin1.run("ALTER DATABASE `%s` CHARACTER SET latin1;" % latin1.name)
        p = self.run_program("send", "--to", "mysql", "mixed", "--database", latin1.name)
        self.assertEqual(p.returncode, 4, p.stdout + p.stderr)
        self.assertRegex(p.stdout, r"^mixed: partial, 2 of 4 rows sent, 2 refused: What happened\?: INSERT INTO")
        self.assertEqual(len(latin1.rows("mixed")), 2)
        last = self.history()[-1]
        self.assertEqual((last["outcome"], last["read"], last["sent"], last["refused"]), ("partial", 4, 2, 2))


class TerminalTest(ServerTest):
    def test_progress_is_drawn_on_a_terminal_and_nothing_on_a_pipe(self):
        self.db.run("CREATE TABLE towns (id INT); INSERT INTO towns VALUES (1), (2), (3);")
        self.run_program("new", "week.mdb")
        p = self.run_program("send", "--to", "access", "towns")
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        proc, leader = self.start_on_terminal("send", "--to", "access", "towns", "--overwrite")
        seen = self.read_terminal_until(leader, r"3 of 3 rows")
        out, _ = proc.communicate(timeout=TIMEOUT)
        self.assertEqual(proc.returncode, 0)
        self.assertIn("Sending towns to Access", seen)
        self.assertIn("\r", seen)
        self.assertRegex(out, r"^towns: sent to Access and verified, 3 of 3 rows")

    def test_ctrl_c_while_reading_stops_the_send_and_the_password_is_never_in_the_process_list(self):
        self.db.run("CREATE TABLE held (id INT); INSERT INTO held VALUES (1);"
                    "CREATE TABLE later (id INT);")
        self.run_program("new", "week.mdb")
        lock = checks.LockingSession(self.server, self.db.name, "held")
        self.addCleanup(lock.release)
        proc, leader = self.start_on_terminal("send", "--to", "access", "held", "later")
        self.read_terminal_until(leader, r"Reading held\.\.\.")
        with open("/proc/%d/cmdline" % proc.pid, "rb") as f:
            cmdline = f.read()
        self.assertIn(b"held", cmdline)
        self.assertNotIn(self.server.password.encode(), cmdline)
        proc.send_signal(signal.SIGINT)
        lock.release()
        out, _ = proc.communicate(timeout=TIMEOUT)
        self.assertEqual(proc.returncode, 130, out)
        self.assertEqual(out, "held: interrupted\n", "the next table is not started")
        self.assertEqual(checks.mdb_tables(self.mdb), [])
        self.assertEqual([(e["table"], e["outcome"]) for e in self.history()[1:]], [("held", "cancelled")])

    def test_ctrl_c_in_the_row_pass_keeps_the_rows_sent_and_their_count(self):
        # Enough rows that the row pass lasts seconds, far longer than the
        # signal takes to arrive.
        rows = 1000000
        self.db.run("CREATE TABLE big (id INT); INSERT INTO big SELECT seq FROM seq_1_to_%d;" % rows)
        self.run_program("new", "week.mdb")
        proc, leader = self.start_on_terminal("send", "--to", "access", "big")
        self.read_terminal_until(leader, r"\[[#.]+\] [\d,]+ of 1,000,000 rows")
        proc.send_signal(signal.SIGINT)
        out, _ = proc.communicate(timeout=TIMEOUT)
        self.assertEqual(proc.returncode, 130, out)
        match = re.fullmatch(r"big: interrupted, (\d+) of %d rows sent\n" % rows, out)
        self.assertTrue(match, out)
        sent = int(match.group(1))
        self.assertTrue(0 < sent < rows, sent)
        self.assertEqual(len(checks.mdb_rows(self.mdb, "big")), sent)
        # The read it broke off holds the table no longer: a rename, which must
        # wait for every statement on it, goes through.
        self.db.run("SET SESSION lock_wait_timeout = 20; RENAME TABLE big TO big_after; RENAME TABLE big_after TO big;")
        last = self.history()[-1]
        self.assertEqual((last["outcome"], last["read"], last["sent"], last["refused"]), ("cancelled", rows, sent, 0))


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)

"""The command line, run as a user's script runs it: each command's success
and its exit codes, a new Access file read back by both oracles, the history
it keeps, its JSON parsed back, and usage errors refused before anything is
opened.

    python3 cli_test.py TABLORIA_BINARY
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
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
            (["list", "--overwrite"], "--all and --overwrite belong to send"),
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
        p = self.run_program("new", "weekly.mdb")
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout, "weekly.mdb: created, an empty Access database\n")
        self.assertEqual(checks.mdb_tables(self.path("weekly.mdb")), [])
        if shutil.which("node") and os.environ.get("TABLORIA_MDB_READER"):
            out = subprocess.run(["node", READER, self.path("weekly.mdb")], capture_output=True, text=True,
                                 timeout=TIMEOUT, check=True).stdout
            self.assertEqual(json.loads(out), {"tables": []})
        p = self.run_program("check", "weekly.mdb", "--json")
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
        self.assertIn("cannot be opened", p.stdout)


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


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)

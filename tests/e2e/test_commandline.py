"""The command line of the real program and its tools: --help and --version
answered on standard output with status 0, without a display, a window or any
file written; unknown arguments, a missing display and a preview without a
window each refused in one line on standard error with a non-zero status."""
import os
import subprocess
import time
import unittest

from harness import BIN, TOOLS, Host, ShowTest


def files_under(path):
    return sorted(os.path.relpath(os.path.join(d, f), path) for d, _, fs in os.walk(path) for f in fs)


class InformationRequests(ShowTest):
    def run_plain(self, *args, stdout=subprocess.PIPE, display=False):
        env = dict(self.env)
        if not display:
            env.pop("DISPLAY", None)
            env.pop("WAYLAND_DISPLAY", None)
        return subprocess.run([BIN, *args], env=env, stdout=stdout, stderr=subprocess.PIPE, timeout=10)

    def test_help_and_version_need_no_display_and_write_nothing_else(self):
        before = files_under(self.dir)
        for display in (False, True):
            with self.subTest(display=display):
                help_run = self.run_plain("--help", display=display)
                self.assertEqual(help_run.returncode, 0)
                self.assertEqual(help_run.stderr, b"")
                usage = help_run.stdout.decode()
                self.assertTrue(usage.startswith("Usage: orvanta [MODE]\n"), usage)
                for line in ("/s ", "/p ID ", "-u ", "--help ", "--version "):
                    self.assertIn("\n  " + line, usage)
                self.assertIn('xautolock -time 10 -locker "orvanta /s"', usage)

                version_run = self.run_plain("--version", display=display)
                self.assertEqual(version_run.returncode, 0)
                self.assertEqual(version_run.stderr, b"")
                self.assertRegex(version_run.stdout.decode(), r"^orvanta \d+\.\d+(\.\d+)*\n$")
        # No settings file, lock file or folder appeared in the throwaway home.
        self.assertEqual(files_under(self.dir), before)

    def test_output_that_cannot_be_written_is_a_failure(self):
        with open("/dev/full", "wb") as full:
            run = self.run_plain("--version", stdout=full)
        self.assertEqual(run.returncode, 1)
        self.assertIn(b"could not write", run.stderr)

    def one_line(self, run):
        lines = run.stderr.decode(errors="replace").splitlines()
        self.assertEqual(len(lines), 1, lines)
        return lines[0]

    def test_unknown_arguments_are_refused_in_one_line(self):
        # Status 2 and one line naming the argument, display or not, before
        # anything is touched: "-update" is no removal of the settings.
        self.write_settings({"Duration": "7"})
        rows = ((["--foo"], '"--foo"'), (["-h"], '"-h"'), (["/x"], '"/x"'), (["--help", "x"], '"--help x"'),
                (["--HELP"], '"--HELP"'), (["--versions"], '"--versions"'), (["/s", "0"], '"/s 0"'),
                (["/s:0"], '"/s:0"'), (["cc"], '"cc"'), (["-update"], '"-update"'), (["-reverse", "/s"], '"-reverse /s"'),
                (["-platform", "offscreen", "/s"], '"-platform offscreen /s"'), (["-config"], '"-config"'))
        for args, named in rows:
            for display in (True, False):
                with self.subTest(args=args, display=display):
                    run = self.run_plain(*args, display=display)
                    self.assertEqual(run.returncode, 2)
                    self.assertEqual(run.stdout, b"")
                    line = self.one_line(run)
                    self.assertIn(named, line)
                    self.assertIn("orvanta --help", line)
        self.assertEqual(self.settings(), {"": "(value not set)", "Duration": "7"})

    def test_without_a_display_every_mode_ends_in_one_line(self):
        free = next(n for n in range(150, 400) if not os.path.exists("/tmp/.X11-unix/X%d" % n)
                    and not os.path.exists("/tmp/.X%d-lock" % n))
        modes = ([], ["/s"], ["/c:77"], ["/p", "12345"], ["-u"], ["--window-id", "0x20"], ["-root"])
        for display, named in ((None, "DISPLAY is not set"), (":%d" % free, 'DISPLAY=":%d"' % free)):
            for args in modes:
                with self.subTest(display=display, args=args):
                    env = dict(self.env, XSCREENSAVER_WINDOW="0x20") if args == ["-root"] else dict(self.env)
                    env.pop("WAYLAND_DISPLAY", None)
                    env.pop("QT_QPA_PLATFORM", None)
                    env.pop("DISPLAY", None)
                    if display:
                        env["DISPLAY"] = display
                    run = subprocess.run([BIN, *args], env=env, capture_output=True, timeout=20, cwd=self.dir)
                    self.assertEqual(run.returncode, 1)  # neither an abort (134) nor a signal
                    self.assertIn("no X display could be opened", self.one_line(run))
                    self.assertIn(named, self.one_line(run))
        # A platform of Qt's own, and a Wayland session without a compositor, are
        # Qt's to open: the first runs, the second fails the same clean way.
        env = dict(self.env, QT_QPA_PLATFORM="offscreen")
        env.pop("DISPLAY")
        self.assertEqual(subprocess.run([BIN, "-u"], env=env, capture_output=True, timeout=20).returncode, 0)
        env = dict(self.env, WAYLAND_DISPLAY="orvanta-no-compositor", QT_QPA_PLATFORM="wayland")
        env.pop("DISPLAY")
        run = subprocess.run([BIN, "/s"], env=env, capture_output=True, timeout=20, cwd=self.dir)
        self.assertEqual(run.returncode, 1)
        self.assertIn("no display could be opened", self.one_line(run))
        self.assertEqual([f for f in os.listdir(self.dir) if f.startswith("core")], [])

    def test_a_preview_without_a_window_says_so(self):
        for args, said in ((["/p", "banana"], '/p needs the id of a window (decimal, or hexadecimal with 0x), not "banana"'),
                           (["/p", "0"], 'not "0"'), (["-P"], "-P needs the id of a window"),
                           (["/p", "12345"], "12345 is not a window"),
                           (["/p", "0x7ffffff0"], "2147483632 is not a window"),
                           (["/p", "123456789012"], "123456789012 is not a window")):
            with self.subTest(args=args):
                run = self.run_plain(*args, display=True)
                self.assertEqual(run.returncode, 1)
                self.assertIn(said, self.one_line(run))

    def test_xscreensavers_own_spellings(self):
        host = Host(self.env, 64, 48)
        try:
            p = self.start("-root", "-window-id", hex(host.id))
            time.sleep(1.5)
            self.assertIsNone(p.poll())  # drawing in the window, which it leaves only with the window
            self.assertEqual(host.command("destroy"), "destroyed")
            self.assertEqual(self.wait_exit(p), 0)
        finally:
            host.close()
        rows = ((["-window-id=12345"], {}, 0, "not a window"), (["-root"], {"XSCREENSAVER_WINDOW": "12345"}, 0, "not a window"),
                (["-root"], {}, 1, "-root: no window to draw in"), (["--root"], {}, 1, "--root: no window to draw in"))
        for args, extra, status, said in rows:
            with self.subTest(args=args, env=extra):
                run = subprocess.run([BIN, *args], env=dict(self.env, **extra), capture_output=True, timeout=20)
                self.assertEqual(run.returncode, status)
                self.assertIn(said, self.one_line(run))


class Tools(ShowTest):
    TOOLS = ("orvanta-convert", "orvanta-samples", "orvanta-shortcut", "orvanta-close", "orvanta-testhost",
             "orvanta-rootpixmap", "orvanta-dialog-shots")

    def tool(self, name, *args, display=True, **kwargs):
        env = dict(self.env)
        if not display:
            env.pop("DISPLAY")
        return subprocess.run([os.path.join(TOOLS, name), *args], env=env, capture_output=True, timeout=30,
                              cwd=self.dir, **kwargs)

    def test_help_and_unknown_options(self):
        for name in self.TOOLS:
            with self.subTest(tool=name):
                run = self.tool(name, "--help", display=False)
                self.assertEqual((run.returncode, run.stderr), (0, b""))
                self.assertTrue(run.stdout.startswith(b"usage: " + name.encode() + b" "), run.stdout)
                for args in (["--bogus"], ["-x", "a", "b"], ["a", "b", "--bogus=1"]):
                    run = self.tool(name, *args)
                    self.assertEqual((run.returncode, run.stdout), (2, b""), args)
                    self.assertIn(args[-1] if args[-1].startswith("-") else args[0], run.stderr.decode())
                    self.assertEqual(run.stderr.count(b"\n"), 1, run.stderr)
        # Nothing was written in the working folder: no folder named "--help".
        self.assertEqual(files_under(self.dir), [])
        self.assertEqual([f for f in os.listdir(self.dir) if f not in ("home", "config", "data", "runtime")], [])
        for args in (["--seconds", "0", "10", "10"], ["--seconds", "x", "10", "10"], ["--seconds"]):
            self.assertEqual(self.tool("orvanta-testhost", *args).returncode, 2, args)

    def window_exists(self, wid):
        return subprocess.run(["xwininfo", "-id", str(wid)], capture_output=True, timeout=10).returncode == 0

    def test_the_test_host_stays_without_its_input(self):
        # As a script runs it: standard input closed, the id read from its output.
        for args in (["--seconds", "3", "96", "64"], ["--stay", "96", "64", "-20", "-20"]):
            with self.subTest(args=args):
                host = subprocess.Popen([os.path.join(TOOLS, "orvanta-testhost"), *args], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, env=self.env)
                self.procs.append(host)
                wid = int(host.stdout.readline())
                host.stdout.close()
                p = self.start("/p", str(wid))
                time.sleep(1.5)
                self.assertIsNone(host.poll())
                self.assertIsNone(p.poll())
                self.assertTrue(self.window_exists(wid))
                if "--stay" in args:
                    host.terminate()
                self.assertEqual(host.wait(timeout=10), 0)
                self.assertFalse(self.window_exists(wid))
                self.assertEqual(self.wait_exit(p), 0)  # the preview ends with its window

if __name__ == "__main__":
    unittest.main()

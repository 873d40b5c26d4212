"""--help and --version of the real program: answered on standard output with
status 0, without a display, a window or any file written; every other
command line keeps its run mode."""
import os
import subprocess
import unittest

from harness import BIN, ShowTest


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

    def test_other_arguments_keep_their_run_mode(self):
        # Not the two requests: the program ends at once as for any unknown argument,
        # without printing the usage and without creating the settings key.
        for args in (["--help", "x"], ["--HELP"], ["-h"], ["--versions"]):
            with self.subTest(args=args):
                run = self.run_plain(*args, display=True)
                self.assertEqual(run.returncode, 0)
                self.assertNotIn(b"Usage:", run.stdout)
        self.assertEqual(self.settings(), {})


if __name__ == "__main__":
    unittest.main()

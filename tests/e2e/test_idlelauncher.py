"""The show started by a real idle launcher, Debian's xautolock, as the README
sets it up: `xautolock -time 1 -locker "orvanta /s"` in a throwaway home."""
import os
import shutil
import signal
import subprocess
import time
import unittest

from harness import BIN, ShowTest, processes_of_home
from pictures import solid

RED = (255, 0, 0)


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Xautolock(ShowTest):
    def setUp(self):
        super().setUp()
        if not shutil.which("xautolock"):
            self.skipTest("xautolock is not installed (scripts/install-deps.sh installs it)")
        # The launcher finds the program on PATH, as in a user's session.
        bindir = os.path.join(self.dir, "bin")
        os.makedirs(bindir)
        os.symlink(os.path.realpath(BIN), os.path.join(bindir, "orvanta"))
        self.env["PATH"] = bindir + os.pathsep + self.env.get("PATH", "/usr/bin:/bin")
        self.picture = solid(os.path.join(self.picture_dir(), "red.bmp"), 64, 48, RED)
        self.settings_without_last_image()
        self.launcher = None

    def tearDown(self):
        if self.launcher is not None:
            self.xautolock("-exit")
            try:
                self.launcher.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.launcher.kill()
                self.launcher.wait()
        for pid in self.shows():
            os.kill(pid, signal.SIGKILL)
        super().tearDown()

    def settings_without_last_image(self):
        self.write_settings({"Duration": "30", "Count": "1", "ImageDir0": os.path.dirname(self.picture),
                             "DirSet0": "1", "Splash": "0", "Effects": "0", "Stretch": "1",
                             "Proportional": "0"})

    def start_launcher(self):
        self.launcher = subprocess.Popen(["xautolock", "-time", "1", "-locker", "orvanta /s"], env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(self.launcher)

    def xautolock(self, *args):
        subprocess.run(["xautolock", *args], env=self.env, timeout=10, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def shows(self):
        """Running orvanta processes of this test's home, whoever started them."""
        return processes_of_home(self.env["HOME"], os.path.realpath(BIN))

    def parent_of(self, pid):
        with open("/proc/%d/stat" % pid) as f:
            return int(f.read().rsplit(")", 1)[1].split()[1])

    def wait_for_show(self, timeout):
        self.wait_for(self.shows, timeout, "the launcher to start the show")
        # A second start in the same moment (the launcher's timer and -locknow)
        # ends at once: within a few seconds exactly one show is left.
        pids = self.wait_for(lambda: (lambda found: found if len(found) == 1 else None)(self.shows()), 5,
                             "one show at a time")
        self.wait_for(lambda: close(self.screenshot().getpixel((512, 384)), RED), 20, "the picture on screen")
        return pids[0]

    def wait_show_ended(self, pid):
        def ended():
            try:
                with open("/proc/%d/stat" % pid) as f:
                    return f.read().rsplit(")", 1)[1].split()[0] == "Z"
            except FileNotFoundError:
                return True
        self.wait_for(ended, 10, "the show to end")

    def test_idle_minute_starts_the_show_and_a_key_ends_it(self):
        started = time.time()
        self.start_launcher()
        pid = self.wait_for_show(timeout=150)
        # The launcher waited for the idle minute (generous slack for its polling).
        self.assertGreater(time.time() - started, 50)
        window = self.wait_for(lambda: self.visible_windows_of(pid), 20, "the show window")[0]

        # A second show while this one runs ends at once; the first goes on.
        self.assertEqual(self.run_to_end("/s"), 0)
        self.assertEqual(self.shows(), [pid])

        # A key ends the show, which writes the picture shown as LastImage.
        self.key(window, "space")
        self.wait_show_ended(pid)
        self.assertEqual(self.settings().get("LastImage"), self.picture)
        self.assertEqual(self.shows(), [])

    def test_the_launchers_signals_end_the_show_cleanly(self):
        self.start_launcher()
        cases = [
            # xautolock -unlocknow sends SIGTERM to the shell that runs the locker.
            ("unlocknow", lambda pid: self.xautolock("-unlocknow")),
            # A hang-up of the session reaches that shell.
            ("SIGHUP to the shell", lambda pid: os.kill(self.parent_of(pid), signal.SIGHUP)),
            ("SIGHUP", lambda pid: os.kill(pid, signal.SIGHUP)),
            ("SIGTERM", lambda pid: os.kill(pid, signal.SIGTERM)),
        ]
        for name, stop in cases:
            with self.subTest(name):
                self.settings_without_last_image()
                self.wait_for(lambda: not close(self.screenshot().getpixel((512, 384)), RED), 10,
                              "the screen without the show")
                # A -locknow sent just after the previous show ended was once left
                # unanswered by xautolock (it keeps one locker at a time and notices the
                # last one's end only when it polls): ask again every few seconds.
                asked = [0.0]

                def lock_now():
                    if time.time() - asked[0] > 3:
                        self.xautolock("-locknow")
                        asked[0] = time.time()
                    return self.shows()

                self.wait_for(lock_now, 30, "the launcher to start the show")
                pid = self.wait_for_show(timeout=20)
                stop(pid)
                self.wait_show_ended(pid)
                self.assertEqual(self.settings().get("LastImage"), self.picture)
                self.assertEqual(self.shows(), [])

    def visible_windows_of(self, pid):
        r = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid), "--name", "^Form1$"],
                           capture_output=True, text=True, timeout=20)
        return r.stdout.split()


if __name__ == "__main__":
    unittest.main()

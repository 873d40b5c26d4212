"""The display mode of a screen-saver daemon end to end: the whole show drawn
into a window another program hands over (XSCREENSAVER_WINDOW or --window-id),
at its size and following it, beside other instances, deaf to input, ended by
SIGTERM or by the window's end; and the real daemon, Debian's xscreensaver 6,
running it as one of its display modes for an ordinary user.

Under the virtual X server xscreensaver needs no window manager and no
particular server options. What it does need: an ordinary account (as root it
refuses to run display modes), a home it can write with a `.xscreensaver` in
it, and --no-splash so that its splash window stays away from the screen read
back. Its optional helpers fail there harmlessly: xscreensaver-systemd finds no
system bus, xscreensaver-auth allows no authentication to "nobody" (locking is
off), and there is no DPMS. Fading is switched off so that the picture is on
screen as soon as the display mode draws it."""
import os
import pwd
import shutil
import signal
import subprocess
import time
import unittest

from harness import BIN, Host, ShowTest, bare_session, plain_black_root, processes_of_home, xdotool
from pictures import quadrants

RED, GREEN, BLUE, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)
BLACK, MAGENTA = (0, 0, 0), (255, 0, 255)
W, H = 1024, 768


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def shows_quadrants(shot, x, y, w, h, colours=(RED, GREEN, BLUE, YELLOW)):
    """The w x h rectangle at x, y shows the four-quarter picture stretched over
    it: the middle and the outer corner of every quarter have its colour."""
    for i, colour in enumerate(colours):
        left, top = x + (i % 2) * (w // 2), y + (i // 2) * (h // 2)
        for px, py in ((left + w // 4, top + h // 4), (left + (w // 2 - 2) * (i % 2) + 1,
                                                      top + (h // 2 - 2) * (i // 2) + 1)):
            if not close(shot.getpixel((px, py)), colour):
                return False
    return True


def show_settings(folder, **values):
    settings = {"Duration": "60", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Splash": "0",
                "Effects": "0", "Stretch": "1", "Proportional": "0", "Message": "0", "Captions": "0",
                "LastImage": "/nowhere/before.bmp"}
    settings.update(values)
    return settings


class HackMode(ShowTest):
    """Windows of the test host program stand in for the daemon's."""

    def setUp(self):
        super().setUp()
        self.env = bare_session(self.env)
        self.hosts = []
        self.picture = quadrants(os.path.join(self.picture_dir(), "quarters.bmp"), 64, 48,
                                 (RED, GREEN, BLUE, YELLOW))

    def tearDown(self):
        for host in self.hosts:
            host.close()
        plain_black_root()
        super().tearDown()

    def host(self, width, height, x=100, y=100):
        host = Host(self.env, width, height, x, y)
        self.hosts.append(host)
        return host

    def start_in(self, window, *args, variable=True):
        """orvanta drawn into `window`, named by XSCREENSAVER_WINDOW (as the
        daemon does) or by --window-id."""
        env = dict(self.env)
        if variable:
            env["XSCREENSAVER_WINDOW"] = window
            return self.start(*args, env=env)
        return self.start("--window-id", window, *args, env=env)

    def log_text(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def wallpaper_file(self):
        return os.path.join(self.env["XDG_DATA_HOME"], "orvanta", pwd.getpwuid(os.getuid()).pw_name +
                            "_OrvantaWall.bmp")

    def test_a_preview_beside_a_full_screen_instance(self):
        self.write_settings(show_settings(os.path.dirname(self.picture), WallpaperLast="1"))
        # The daemon's full-screen window, and its settings program's preview on top.
        screen = self.host(W, H, 0, 0)
        full = self.start_in(hex(screen.id), "--root")
        preview_host = self.host(320, 240)
        # The variable wins over the arguments: "/s" here runs no full-screen show.
        preview = self.start_in(str(preview_host.id), "/s")

        def both_drawn():
            shot = self.screenshot()
            # The full-screen picture around the preview: its quarters' colours
            # at the screen's quarter points outside the 320 x 240 preview.
            outside = all(close(shot.getpixel(xy), c) for xy, c in
                          (((700, 100), GREEN), ((100, 600), BLUE), ((700, 600), YELLOW), ((40, 40), RED)))
            return outside and shows_quadrants(shot, 100, 100, 320, 240)
        self.wait_for(both_drawn, 30, "the picture full screen and in the preview")

        # The daemon owns the keyboard and the mouse: nothing the user does ends either.
        xdotool("mousemove", "500", "500", check=False)
        xdotool("mousemove", "20", "700", check=False)
        xdotool("click", "1", check=False)
        xdotool("key", "space", check=False)
        time.sleep(1.5)
        self.assertIsNone(full.poll())
        self.assertIsNone(preview.poll())

        # SIGTERM ends each cleanly; only the one over the primary monitor makes the wallpaper.
        preview.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(preview), 0)
        self.assertEqual(self.settings()["LastImage"], self.picture)
        self.assertFalse(os.path.exists(self.wallpaper_file()))
        self.assertIsNone(full.poll())
        full.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(full), 0)
        size = subprocess.run(["identify", "-format", "%w %h", self.wallpaper_file()], capture_output=True,
                              text=True, check=True, timeout=30).stdout
        self.assertEqual(size, "%d %d" % (W, H))

    def test_the_show_follows_its_window_and_ends_with_it(self):
        self.write_settings(show_settings(os.path.dirname(self.picture)))
        host = self.host(320, 240)
        p = self.start_in(str(host.id), variable=False)
        self.wait_for(lambda: shows_quadrants(self.screenshot(), 100, 100, 320, 240), 30, "the picture at 320 x 240")
        for w, h in ((640, 480), (160, 120), (900, 600)):
            with self.subTest(size=(w, h)):
                self.assertEqual(host.command("resize %d %d" % (w, h)), "resized")
                self.wait_for(lambda: shows_quadrants(self.screenshot(), 100, 100, w, h), 30,
                              "the picture at %d x %d" % (w, h))
        self.assertEqual(self.screenshot().getpixel((50, 50)), BLACK)  # outside the window: no show of its own
        # The window's end ends the run, cleanly and with status 0.
        self.assertEqual(host.command("destroy"), "destroyed")
        self.assertEqual(self.wait_exit(p, timeout=10), 0)
        self.assertEqual(self.settings()["LastImage"], self.picture)
        self.assertEqual(self.log_text(), "")

    def test_the_root_window(self):
        self.write_settings(show_settings(os.path.dirname(self.picture)))
        root = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True, check=True,
                              timeout=10).stdout.split("Window id: ")[1].split()[0]
        p = self.start("--window-id=" + root)
        self.wait_for(lambda: shows_quadrants(self.screenshot(), 0, 0, W, H), 30, "the picture over the screen")
        p.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(self.settings()["LastImage"], self.picture)

    def test_without_pictures_a_black_window_until_stopped(self):
        self.write_settings(show_settings(self.picture_dir("empty")))
        host = self.host(320, 240)
        p = self.start_in(hex(host.id), "-root")
        self.wait_for(lambda: self.screenshot().getpixel((260, 220)) == BLACK, 30, "the window black")
        time.sleep(1.5)
        self.assertIsNone(p.poll())  # it never ends on its own
        notices = xdotool("search", "--name", "Orvanta Program Error", check=False).stdout.split()
        self.assertEqual(notices, [])
        p.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(p), 0)  # no notice waits for an answer
        self.assertEqual(self.log_text(), "")

    def test_an_id_that_is_no_window_ends_at_once_saying_so(self):
        self.write_settings(show_settings(os.path.dirname(self.picture)))
        for how, value in (("variable", "0x7ffffff0"), ("variable", "window"), ("option", "12345"),
                           ("option", "")):
            with self.subTest(how=how, value=value):
                p = self.start_in(value, "--root", variable=how == "variable")
                self.assertEqual(self.wait_exit(p, timeout=10), 0)
                lines = self.log_text().strip().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertIn("not a window", lines[0])
        self.assertEqual(self.settings()["LastImage"], "/nowhere/before.bmp")  # nothing was written


class Xscreensaver(ShowTest):
    """Debian's xscreensaver 6 runs Orvanta, listed as the README says, for an
    ordinary account (the test's own, or "nobody" when the test runs as root)."""

    USER = "nobody"

    def setUp(self):
        super().setUp()
        for tool in ("xscreensaver", "xscreensaver-command"):
            if not shutil.which(tool):
                self.skipTest(tool + " is not installed (scripts/install-deps.sh installs it)")
        self.account = pwd.getpwnam(self.USER) if os.getuid() == 0 else None
        self.daemon = None
        self.hosts = []
        # The daemon finds the program on PATH, as in a user's session.
        bindir = os.path.join(self.dir, "bin")
        os.makedirs(bindir)
        os.symlink(os.path.realpath(BIN), os.path.join(bindir, "orvanta"))
        self.picture = quadrants(os.path.join(self.picture_dir(), "quarters.bmp"), 64, 48,
                                 (RED, GREEN, BLUE, YELLOW))
        # Transitions on, and a caption, which is drawn once the transition is
        # over: a picture on screen with its caption is the picture shown.
        self.write_settings(show_settings(os.path.dirname(self.picture), Effects="1", Captions="1",
                                          CaptionPlace="1", CaptionTrans="0", CaptionBackColor="255  0255"))
        with open(os.path.join(self.env["HOME"], ".xscreensaver"), "w") as f:
            f.write("timeout:\t0:30:00\ncycle:\t0:00:00\nlock:\tFalse\nsplash:\tFalse\nfade:\tFalse\n"
                    "unfade:\tFalse\ndpmsEnabled:\tFalse\nmode:\tone\nselected:\t0\n"
                    'programs:\t"Orvanta"  orvanta --root    \\n\\\n\n')
        name = self.account.pw_name if self.account else pwd.getpwuid(os.getuid()).pw_name
        self.user_env = {"HOME": self.env["HOME"], "USER": name, "LOGNAME": name, "DISPLAY": os.environ["DISPLAY"],
                         "PATH": bindir + ":/usr/local/bin:/usr/bin:/bin"}
        for var in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"):
            self.user_env[var] = self.env[var]
        if self.account:
            os.chmod(self.dir, 0o755)
            for root, dirs, files in os.walk(self.dir):
                for entry in dirs + files:
                    os.lchown(os.path.join(root, entry), self.account.pw_uid, self.account.pw_gid)
            os.chown(self.dir, self.account.pw_uid, self.account.pw_gid)
            version = self.as_user("orvanta", "--version")
            if version.returncode != 0:
                self.fail("%s cannot run %s (the folders above it must let others in): %s"
                          % (self.USER, BIN, version.stderr))

    def tearDown(self):
        if self.daemon is not None and self.daemon.poll() is None:
            self.as_user("xscreensaver-command", "-exit")
            try:
                self.daemon.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        for host in self.hosts:
            host.close()
        for pid in self.processes():
            os.kill(pid, signal.SIGKILL)
        super().tearDown()

    def user_args(self):
        if not self.account:
            return {}
        return {"user": self.account.pw_uid, "group": self.account.pw_gid, "extra_groups": []}

    def as_user(self, *command):
        return subprocess.run(list(command), env=self.user_env, capture_output=True, text=True, timeout=30,
                              cwd=self.dir, **self.user_args())

    def start_as_user(self, command, env=None, log="orvanta.log"):
        out = open(os.path.join(self.dir, log), "wb")
        p = subprocess.Popen(command, env=env or self.user_env, stdout=out, stderr=subprocess.STDOUT, cwd=self.dir,
                             **self.user_args())
        out.close()
        self.procs.append(p)
        return p

    def processes(self, program=None):
        return processes_of_home(self.env["HOME"], program)

    def shows(self):
        return self.processes(os.path.realpath(BIN))

    def environ(self, pid):
        with open("/proc/%d/environ" % pid, "rb") as f:
            return dict(item.split(b"=", 1) for item in f.read().split(b"\0") if b"=" in item)

    def ended(self, pid):
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] == "Z"
        except FileNotFoundError:
            return True

    def command(self, *args):
        r = self.as_user("xscreensaver-command", *args)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def start_daemon(self):
        self.daemon = self.start_as_user(["xscreensaver", "--no-splash", "--verbose"], log="xscreensaver.log")
        self.wait_for(lambda: self.as_user("xscreensaver-command", "-time").returncode == 0, 30,
                      "the daemon to answer")

    def daemon_log(self):
        with open(os.path.join(self.dir, "xscreensaver.log"), errors="replace") as f:
            return f.read()[-3000:]

    def test_the_daemon_runs_the_show_and_stops_it(self):
        self.start_daemon()
        self.command("-activate")
        pids = self.wait_for(self.shows, 30, "the daemon to start orvanta")
        self.assertEqual(len(pids), 1, self.daemon_log())
        show = pids[0]
        with open("/proc/%d/cmdline" % show, "rb") as f:
            self.assertEqual(f.read().split(b"\0")[1:-1], [b"--root"])
        window = self.environ(show).get(b"XSCREENSAVER_WINDOW", b"").decode()
        self.assertTrue(window.startswith("0x"), window)
        # The screen shows the picture of the folder, stretched over it as the
        # settings say, and its caption at the top.
        def shown():
            shot = self.screenshot()
            return shows_quadrants(shot, 0, 0, W, H) and MAGENTA in shot.region(W // 2 - 50, 0, 100, 30)
        self.wait_for(shown, 30, "the picture and its caption on screen")

        # A preview of the daemon's settings program runs beside it: no instance keeps another out.
        host = Host(self.env, 320, 240)
        self.hosts.append(host)
        preview_env = dict(self.user_env, XSCREENSAVER_WINDOW=hex(host.id))
        preview = self.start_as_user(["orvanta", "-root"], env=preview_env, log="preview.log")
        self.wait_for(lambda: len(self.shows()) == 2, 30, "the preview beside the show")

        # Deactivation stops the show within a second, cleanly.
        before = time.monotonic()
        self.command("-deactivate")
        while not self.ended(show) and time.monotonic() - before < 1.0:
            time.sleep(0.01)
        self.assertTrue(self.ended(show), "the show still runs a second after deactivation")
        self.assertEqual(self.settings()["LastImage"], self.picture)
        self.assertEqual(self.shows(), [preview.pid])
        self.assertIsNone(preview.poll())
        self.wait_for(lambda: not shows_quadrants(self.screenshot(), 0, 0, W, H), 10, "the screen back")

        # The preview's window goes, and so does the preview; then the daemon.
        self.assertEqual(host.command("destroy"), "destroyed")
        self.assertEqual(self.wait_exit(preview), 0)
        self.command("-exit")
        self.assertEqual(self.wait_exit(self.daemon), 0)
        # Nothing of the run is left behind (no session bus launched on the way either).
        self.wait_for(lambda: not self.processes(), 10, "every process of the run to end")


if __name__ == "__main__":
    unittest.main()

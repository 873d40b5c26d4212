"""The built-in idle launcher, `orvanta --idle TIME`, against the idle sources
users have: the X screen saver extension under the test's X server, KDE's
idle protocol in a headless sway, Mutter's idle monitor in a headless Mutter
and ext-idle-notify-v1 in KWin's virtual session."""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from harness import BIN, KEY, ShowTest, escape, processes_of_home, wait_until, xdotool
from pictures import solid
from wayland import Sway

RED = (255, 0, 0)

# A client that holds the X server's screen saver off, as video players do,
# until its standard input closes.
SUSPENDER = r"""
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6")
xss = ctypes.CDLL("libXss.so.1")
x11.XOpenDisplay.restype = ctypes.c_void_p
display = ctypes.c_void_p(x11.XOpenDisplay(None))
xss.XScreenSaverSuspend(display, 1)
x11.XSync(display, 0)
print("suspended", flush=True)
sys.stdin.read()
"""

# The X screen saver extension's state: 0 off, 1 on, 3 disabled.
SAVER_STATE = r"""
import ctypes
x11 = ctypes.CDLL("libX11.so.6")
xss = ctypes.CDLL("libXss.so.1")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = ctypes.c_ulong
xss.XScreenSaverAllocInfo.restype = ctypes.c_void_p
display = ctypes.c_void_p(x11.XOpenDisplay(None))
info = ctypes.c_void_p(xss.XScreenSaverAllocInfo())
xss.XScreenSaverQueryInfo(display, ctypes.c_ulong(x11.XDefaultRootWindow(display)), info)
print(ctypes.cast(info, ctypes.POINTER(ctypes.c_int))[2])  # after the window id: state
"""


def saver_state(env):
    return int(subprocess.run([sys.executable, "-c", SAVER_STATE], env=env, capture_output=True, text=True,
                              check=True, timeout=10).stdout)


class Launcher:
    """`orvanta --idle TIME` and the shows it starts, seen through the processes of one home."""

    def __init__(self, test, env, time_text, command_prefix=(), popen=None):
        """Started with `popen(program, *args, stdout=, stderr=)` when given (the
        Wayland harness's, which tracks it), else by the test."""
        self.test, self.env = test, env
        self.home = env["HOME"]
        with open(os.path.join(test.dir, "launcher.log"), "wb") as log:
            if popen:
                self.proc = popen(BIN, "--idle", time_text, stdout=log, stderr=subprocess.STDOUT)
            else:
                self.proc = subprocess.Popen([*command_prefix, BIN, "--idle", time_text], env=env, stdout=log,
                                             stderr=subprocess.STDOUT)
                test.procs.append(self.proc)
        self.pid = None  # the launcher's own process (under runuser, its child)

    def launcher_pid(self):
        if self.pid is None:
            found = [p for p in processes_of_home(self.home, os.path.realpath(BIN)) if b"--idle" in cmdline(p)]
            self.pid = found[0] if found else None
        return self.pid

    def shows(self):
        return [p for p in processes_of_home(self.home, os.path.realpath(BIN)) if cmdline(p).endswith(b"\0/s\0")]

    def wait_for_show(self, timeout):
        return self.test.wait_for(lambda: (lambda s: s[0] if len(s) == 1 else None)(self.shows()), timeout,
                                  "the launcher to start one show")

    def stop(self):
        pid = self.test.wait_for(self.launcher_pid, 5, "the launcher's process")
        os.kill(pid, signal.SIGTERM)
        try:
            return self.proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.test.fail("the launcher did not end within 15 s of SIGTERM")


def cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read()
    except OSError:
        return b""


def ended(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except FileNotFoundError:
        return True


class CommandLine(ShowTest):
    def test_bad_times_and_no_source_end_at_once(self):
        env = {k: v for k, v in self.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
        rows = [
            (["--idle"], 2, "usage: orvanta --idle TIME"),
            (["--idle", "0"], 2, "usage: orvanta --idle TIME"),
            (["--idle=5x"], 2, "usage: orvanta --idle TIME"),
            (["--idle", "10", "/s"], 2, "usage: orvanta --idle TIME"),
            # A launcher on a machine without any session: no toolkit message, one line.
            (["--idle", "10"], 1, "orvanta: --idle: no idle time to watch: no Wayland compositor"),
        ]
        for args, status, line in rows:
            with self.subTest(args=args):
                run = subprocess.run([BIN, *args], env=env, capture_output=True, text=True, timeout=10)
                self.assertEqual(run.returncode, status)
                self.assertEqual(len(run.stderr.splitlines()), 1, run.stderr)
                self.assertTrue(run.stderr.startswith(line), run.stderr)


class X11Launcher(ShowTest):
    def setUp(self):
        super().setUp()
        self.picture = solid(os.path.join(self.picture_dir(), "red.bmp"), 64, 48, RED)
        self.settings_without_last_image()
        self.addCleanup(lambda: subprocess.run(["xset", "s", "default"], check=False))

    def tearDown(self):
        for pid in processes_of_home(self.env["HOME"]):
            os.kill(pid, signal.SIGKILL)
        super().tearDown()

    def settings_without_last_image(self):
        self.write_settings({"Duration": "30", "Count": "1", "ImageDir0": os.path.dirname(self.picture),
                             "DirSet0": "1", "Splash": "0", "Effects": "0", "Stretch": "1",
                             "Proportional": "0"})

    def show_window(self, pid):
        def find():
            r = xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name", "^Form1$", check=False)
            return r.stdout.split()
        return self.wait_for(find, 20, "the show window")[0]

    def busy_user(self, seconds):
        """Moves the pointer a little every half second: input, not enough to end a show."""
        deadline = time.time() + seconds
        step = 1
        while time.time() < deadline:
            xdotool("mousemove_relative", "--", str(step), "0")
            step = -step
            time.sleep(0.5)

    def test_idle_starts_the_show_input_ends_it_and_idle_starts_it_again(self):
        xdotool("mousemove", "10", "10")
        started = time.time()
        launcher = Launcher(self, self.env, "2s")
        pid = launcher.wait_for_show(10)
        self.assertGreater(time.time() - started, 1.5)
        window = self.show_window(pid)
        self.wait_for(lambda: self.screenshot().getpixel((512, 384)) == RED, 20, "the picture on screen")

        # The user's key ends the show; input meanwhile keeps the next one away,
        # and it comes after two idle seconds.
        self.key(window, "space")
        self.wait_for(lambda: ended(pid), 10, "the show to end")
        self.assertEqual(self.settings().get("LastImage"), self.picture)
        self.busy_user(4)
        self.assertEqual(launcher.shows(), [])
        quiet = time.time()
        again = launcher.wait_for_show(10)
        self.assertNotEqual(again, pid)
        self.assertGreater(time.time() - quiet, 1.5)
        self.show_window(again)

        # SIGTERM of the launcher ends its show cleanly, and nothing is left.
        self.settings_without_last_image()
        self.assertEqual(launcher.stop(), 0)
        self.assertEqual(processes_of_home(self.env["HOME"]), [])
        self.assertEqual(self.settings().get("LastImage"), self.picture)

    def test_a_show_started_by_hand_means_no_second_one(self):
        by_hand = self.start("/s")
        self.show_window(by_hand.pid)
        launcher = Launcher(self, self.env, "1s")
        time.sleep(4)
        self.assertEqual(launcher.shows(), [by_hand.pid])
        self.assertEqual(launcher.stop(), 0)
        self.assertIsNone(by_hand.poll())

    def test_a_client_holding_the_screen_saver_off_keeps_the_show_away(self):
        suspender = subprocess.Popen([sys.executable, "-c", SUSPENDER], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, env=self.env)
        self.procs.append(suspender)
        self.assertEqual(suspender.stdout.readline().strip(), "suspended")
        suspender.stdout.close()
        # The extension shows a suspension only once the X server's own
        # screen saver time has run out without it: one second here (set
        # after the suspension, which does not switch off a saver already on).
        subprocess.run(["xset", "s", "1"], check=True)
        launcher = Launcher(self, self.env, "2s")
        time.sleep(7)
        self.assertEqual(launcher.shows(), [])
        # The player ends: the idle time counts from then.
        suspender.stdin.close()
        suspender.wait(timeout=10)
        released = time.time()
        launcher.wait_for_show(10)
        self.assertGreater(time.time() - released, 1.5)
        # The X server's own saver came on a second before; it must not blank
        # the show's screen until the next input.
        self.wait_for(lambda: saver_state(self.env) == 0, 5, "the X server's own saver to be off")
        time.sleep(2)
        self.assertEqual(saver_state(self.env), 0)
        self.assertEqual(launcher.stop(), 0)
        self.assertEqual(processes_of_home(self.env["HOME"]), [])


SYSTEM_PYTHON = "/usr/bin/python3"  # the one with Debian's PyGObject, for mutterinput.py


class SwayLauncher(unittest.TestCase):
    """sway 1.7 offers KDE's idle protocol; the show runs on it as a Wayland
    client and a key through a virtual keyboard ends it."""

    def test_idle_starts_the_show_a_key_ends_it_and_idle_starts_it_again(self):
        if not BIN:
            self.skipTest("needs ORVANTA_BIN")
        sway = Sway(800, 600)
        self.addCleanup(sway.close)
        sway.require_readable(BIN)
        pictures = os.path.join(sway.dir, "pictures")
        os.mkdir(pictures)
        solid(os.path.join(pictures, "red.bmp"), 64, 48, RED)
        registry = os.path.join(sway.home, ".config", "orvanta", "HKEY_CURRENT_USER.reg")
        os.makedirs(os.path.dirname(registry))
        settings = {"Duration": "30", "Count": "1", "ImageDir0": pictures, "DirSet0": "1", "Splash": "0",
                    "Effects": "0", "Stretch": "1", "Proportional": "0"}
        with open(registry, "w", encoding="utf-8") as f:
            f.write("\n".join(["REGEDIT4", "", "[" + KEY + "]", '@="(value not set)"'] +
                              ['"%s"="%s"' % (k, escape(v)) for k, v in settings.items()]) + "\n")
        sway.give(pictures)
        sway.give(os.path.join(sway.home, ".config"))
        keys = sway.input()  # attached before the show's window, to reach it
        self.dir = sway.dir
        launcher = Launcher(self, sway.env, "2s", popen=sway.popen)
        started = time.time()
        show = launcher.wait_for_show(10)
        self.assertGreater(time.time() - started, 1.5)
        self.wait_for(lambda: sway.screenshot().getpixel((400, 300)) == RED, 20, "the picture on the output")

        keys.key("space")
        self.wait_for(lambda: ended(show), 10, "the show to end")
        left = time.time()
        again = launcher.wait_for_show(10)
        self.assertNotEqual(again, show)
        self.assertGreater(time.time() - left, 1.5)

        self.assertEqual(launcher.stop(), 0)
        self.assertTrue(ended(again))
        self.assertEqual(processes_of_home(sway.home, os.path.realpath(BIN)), [])

    def wait_for(self, predicate, timeout, what):
        return wait_until(predicate, timeout, what, self)


class CompositorSession(unittest.TestCase):
    """A headless compositor on its own session bus, all of it as an ordinary
    account (nobody), as these compositors refuse root; the session's programs
    and the launcher have homes of their own, so that the launcher's processes
    can be told from the session's."""
    socket = "wayland-0"

    def setUp(self):
        if not BIN:
            self.skipTest("needs ORVANTA_BIN")
        for tool in ("dbus-daemon", "runuser"):
            if not shutil.which(tool):
                self.skipTest("%s is not installed" % tool)
        if subprocess.run(["runuser", "-u", "nobody", "--", "test", "-x", BIN], timeout=10).returncode != 0:
            self.skipTest("the account nobody cannot run %s (the folders above it must let others in)" % BIN)
        self.procs = []
        self.dir = tempfile.mkdtemp(prefix="orvanta-compositor-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.addCleanup(self.end_processes)  # also when setUp fails half-way
        self.runtime = os.path.join(self.dir, "runtime")
        for sub in ("runtime", "session", "home", "config"):
            os.makedirs(os.path.join(self.dir, sub), mode=0o700)
        subprocess.run(["chown", "-R", "nobody", self.dir], check=True)
        bus = "unix:path=" + os.path.join(self.runtime, "bus")
        self.session_env = {"HOME": os.path.join(self.dir, "session"), "XDG_RUNTIME_DIR": self.runtime,
                            "PATH": "/usr/bin:/bin", "DBUS_SESSION_BUS_ADDRESS": bus}
        self.env = dict(self.session_env, HOME=os.path.join(self.dir, "home"),
                        XDG_CONFIG_HOME=os.path.join(self.dir, "config"), WAYLAND_DISPLAY=self.socket,
                        QT_QPA_PLATFORM="offscreen")
        self.spawn(self.session_env, ["dbus-daemon", "--session", "--nofork", "--address=" + bus])
        self.wait_for(lambda: os.path.exists(os.path.join(self.runtime, "bus")), 10, "the session bus")
        self.log = open(os.path.join(self.dir, "compositor.log"), "wb")
        self.addCleanup(self.log.close)
        self.spawn(self.session_env, self.compositor(), log=self.log)
        self.wait_for(lambda: os.path.exists(os.path.join(self.runtime, self.socket)), 20, "the Wayland socket")

    def end_processes(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
            for f in (p.stdin, p.stdout):
                if f:
                    f.close()

    def as_nobody(self, env):
        return [shutil.which("runuser"), "-u", "nobody", "--", "env", "-i", *("%s=%s" % kv for kv in env.items())]

    def spawn(self, env, command, log=None, pipes=False):
        p = subprocess.Popen(self.as_nobody(env) + command, stdout=subprocess.PIPE if pipes else log or subprocess.DEVNULL,
                             stderr=log or subprocess.DEVNULL, stdin=subprocess.PIPE if pipes else subprocess.DEVNULL,
                             text=pipes or None)
        self.procs.append(p)
        return p

    def wait_for(self, predicate, timeout, what):
        return wait_until(predicate, timeout, what, self)


class MutterLauncher(CompositorSession):
    """Mutter has no idle protocol on its Wayland socket: the launcher uses its
    idle monitor. Input comes through Mutter's remote-desktop interface."""

    def setUp(self):
        if not shutil.which("mutter"):
            self.skipTest("mutter is not installed (scripts/install-deps.sh --tests installs it)")
        if subprocess.run([SYSTEM_PYTHON, "-c", "import gi"], capture_output=True).returncode != 0:
            self.skipTest("python3-gi is not installed (scripts/install-deps.sh --tests installs it)")
        super().setUp()
        self.input = self.spawn(self.session_env, [SYSTEM_PYTHON, os.path.join(os.path.dirname(__file__),
                                                                               "mutterinput.py")], pipes=True)
        self.assertEqual(self.answer(), "ready")

    def compositor(self):
        return ["mutter", "--headless", "--wayland", "--no-x11", "--virtual-monitor", "1280x720"]

    def send(self, command):
        self.input.stdin.write(command + "\n")
        self.input.stdin.flush()
        return self.answer()

    def answer(self):
        if not select.select([self.input.stdout], [], [], 20)[0]:
            self.fail("mutterinput.py did not answer within 20 s")
        return self.input.stdout.readline().strip()

    def test_idle_monitor_starts_the_show_and_input_puts_it_off(self):
        launcher = Launcher(self, self.env, "2s", command_prefix=self.as_nobody(self.env))
        # Input every half second keeps the show away.
        for _ in range(8):
            self.assertEqual(self.send("move 1 0"), "ok")
            time.sleep(0.5)
        self.assertEqual(launcher.shows(), [])
        quiet = time.time()
        show = launcher.wait_for_show(10)
        self.assertGreater(time.time() - quiet, 1.5)
        self.assertGreaterEqual(int(self.send("idletime")), 1500)

        # A show that ends without input is not followed by another until there is input.
        os.kill(show, signal.SIGTERM)
        self.wait_for(lambda: ended(show), 10, "the show to end")
        time.sleep(4)
        self.assertEqual(launcher.shows(), [])
        self.assertEqual(self.send("key 57"), "ok")  # the space bar
        pressed = time.time()
        again = launcher.wait_for_show(10)
        self.assertGreater(time.time() - pressed, 1.5)

        # SIGTERM of the launcher ends its show, and nothing is left.
        self.assertEqual(launcher.stop(), 0)
        self.assertTrue(ended(again))
        self.assertEqual(processes_of_home(self.env["HOME"]), [])


    def test_the_show_on_mutters_wayland_socket_ends_on_a_key(self):
        # The remote-desktop devices appear with their first event, which a
        # window made before them never gets: they are attached first, as a
        # real keyboard and mouse are.
        self.assertEqual(self.send("key 42"), "ok")  # the left shift key
        self.assertEqual(self.send("move 1 0"), "ok")
        pictures = os.path.join(self.dir, "pictures")
        os.makedirs(pictures)
        solid(os.path.join(pictures, "red.bmp"), 64, 48, (255, 0, 0))
        registry = os.path.join(self.dir, "config", "orvanta", "HKEY_CURRENT_USER.reg")
        os.makedirs(os.path.dirname(registry))
        values = {"Duration": "30", "Count": "1", "ImageDir0": pictures, "DirSet0": "1", "Splash": "0",
                  "Effects": "0"}
        with open(registry, "w", encoding="utf-8") as f:
            f.write("REGEDIT4\n\n[%s]\n" % KEY + "".join('"%s"="%s"\n' % (k, escape(v)) for k, v in values.items()))
        subprocess.run(["chown", "-R", "nobody", pictures, os.path.dirname(registry)], check=True)
        for ending in ("key", "SIGTERM"):
            with self.subTest(ending):
                show = self.spawn(dict(self.env, QT_QPA_PLATFORM="wayland"), [BIN, "/s"])
                time.sleep(3)
                self.assertIsNone(show.poll(), "the show runs on Mutter")
                if ending == "key":
                    self.assertEqual(self.send("key 30"), "ok")  # a
                else:
                    with open("/proc/%d/task/%d/children" % (show.pid, show.pid)) as f:
                        os.kill(int(f.read().split()[0]), signal.SIGTERM)  # the show below runuser
                self.assertEqual(show.wait(timeout=10), 0)
        self.assertEqual(processes_of_home(self.env["HOME"]), [])


class KWinLauncher(CompositorSession):
    """KWin offers ext-idle-notify-v1 (and KDE's own idle protocol): the
    launcher takes the former. KWin's virtual backend has no input to give, so
    only the idle time and its restart are checked here."""
    socket = "wayland-kwin"

    def setUp(self):
        program = shutil.which("kwin_wayland")
        if not program:
            self.skipTest("kwin_wayland is not installed (scripts/install-deps.sh --tests installs kwin-wayland)")
        self.program = program
        super().setUp()

    def compositor(self):
        program = self.program
        # Debian gives the program a file capability (to raise its limits); where
        # the sandbox's bounding set lacks it, exec is refused, and the same
        # program copied without the capability runs instead.
        try:
            subprocess.run([program, "--version"], capture_output=True, timeout=20)
        except PermissionError:
            program = os.path.join(self.dir, "kwin_wayland")
            shutil.copy(self.program, program)
        return [program, "--virtual", "--no-lockscreen", "--socket", self.socket]

    def test_ext_idle_notify_starts_the_show_and_counts_again_after_it(self):
        env = dict(self.env, WAYLAND_DEBUG="client")  # the requests, to see which protocol is spoken
        launcher = Launcher(self, env, "2s", command_prefix=self.as_nobody(env))
        started = time.time()
        show = launcher.wait_for_show(10)
        self.assertGreater(time.time() - started, 1.5)
        # A show that ends is followed by the next after the whole time again.
        os.kill(show, signal.SIGTERM)
        self.wait_for(lambda: ended(show), 10, "the show to end")
        stopped = time.time()
        again = launcher.wait_for_show(10)
        self.assertGreater(time.time() - stopped, 1.5)
        self.assertEqual(launcher.stop(), 0)
        self.assertTrue(ended(again))
        self.assertEqual(processes_of_home(self.env["HOME"]), [])
        with open(os.path.join(self.dir, "launcher.log"), errors="replace") as f:
            requests = [line for line in f if "get_idle_notification(" in line]
        self.assertEqual(len(requests), 2, requests)


if __name__ == "__main__":
    unittest.main()

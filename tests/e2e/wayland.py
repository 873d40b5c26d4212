"""End-to-end harness for Wayland: a headless sway of its own per test, run as
an unprivileged account (sway refuses root), with a virtual keyboard and
pointer (tools/display/orvanta-wlinput) and screenshots through grim.

What a test needs: sway, grim, runuser (when the tests run as root) and Qt's
Wayland platform plugin (qt6-wayland) installed; the build's tools folder in
ORVANTA_TOOLS; and every file the account must read (the orvanta binary and
the build tree above it, pictures, settings) readable by it. Files the test
writes into `Sway.dir` are (the folder belongs to the account); for anything
else `Sway.require_readable` skips the test with the reason when the account
cannot reach it. The test's own instruments (swaymsg, grim, orvanta-wlinput)
run as the test's user: they only talk to the compositor's sockets.

    with Sway(1024, 768) as sway:
        keys = sway.input()           # before the window that must get the keys
        p = sway.popen(BIN, "/s")
        keys.key("Escape")
        shot = sway.screenshot()
"""
import ast
import glob
import json
import os
import pwd
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from harness import BIN, Screenshot, TOOLS, processes_of_home

ACCOUNT = os.environ.get("ORVANTA_TEST_ACCOUNT", "nobody")
WLINPUT = os.path.join(TOOLS, "orvanta-wlinput") if TOOLS else ""


def qt_wayland_plugin(qt="qt6"):
    """The path of Qt's Wayland platform plugin (Qt 6's unless told), or None."""
    dirs = [d for d in os.environ.get("QT_PLUGIN_PATH", "").split(":") if d]
    dirs += glob.glob("/usr/lib/*/%s/plugins" % qt) + ["/usr/lib/%s/plugins" % qt]
    for d in dirs:
        found = glob.glob(os.path.join(d, "platforms", "libqwayland-generic.so"))
        if found:
            return found[0]
    return None


def missing_pieces(programs=("sway", "grim", "swaymsg"), files=()):
    """Why the Wayland tests cannot run here, or "" when they can: the
    programs, files ((path pattern, what it is) pairs), the account and the
    tools they need."""
    missing = [p for p in programs if not shutil.which(p)]
    missing += [what for pattern, what in files if not glob.glob(pattern)]
    if os.geteuid() == 0:
        if not shutil.which("runuser"):
            missing.append("runuser")
        try:
            pwd.getpwnam(ACCOUNT)
        except KeyError:
            missing.append("the account " + ACCOUNT)
    if not WLINPUT or not os.access(WLINPUT, os.X_OK):
        missing.append("orvanta-wlinput (ORVANTA_TOOLS)")
    if not qt_wayland_plugin():
        missing.append("Qt's Wayland platform plugin (qt6-wayland)")
    return ", ".join(missing) and "needs " + ", ".join(missing)


def session_for(test, kind, *args):
    """A session of `kind` (Sway, Plasma) made with `args` for a test of the
    orvanta binary, closed after the test; skips the test when it cannot be
    had or when the account cannot run the binary."""
    if not BIN:
        test.skipTest("needs ORVANTA_BIN")
    session = kind(*args)
    test.addCleanup(session.close)
    session.require_readable(BIN)
    return session


class WaylandScreenshot(Screenshot):
    """Pixels read back with grim, as raw RGB like harness.Screenshot."""

    @classmethod
    def from_ppm(cls, ppm):
        # P6 header: magic, width, height, maximum value, each followed by
        # white space (comments do not occur in grim's output).
        fields, pos = [], 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("grim wrote no 8-bit PPM: %r" % fields)
        width, height = int(fields[1]), int(fields[2])
        data = ppm[pos + 1:pos + 1 + 3 * width * height]
        if len(data) != 3 * width * height:
            raise ValueError("grim's PPM is cut short")
        return cls(width, height, data)


class Input:
    """A running orvanta-wlinput: one virtual keyboard and one pointer on the
    compositor. Each call returns once the compositor has the events."""

    def __init__(self, env, layout=None, timeout=10):
        self.timeout = timeout
        self.proc = subprocess.Popen([WLINPUT] + ([layout] if layout else []), env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        # A motion of nothing is answered once both devices are attached.
        self.move(0, 0)

    def command(self, line):
        try:
            self.proc.stdin.write((line + "\n").encode())
            self.proc.stdin.flush()
        except BrokenPipeError:
            pass
        ready, _, _ = select.select([self.proc.stdout], [], [], self.timeout)
        answer = self.proc.stdout.readline().strip() if ready else b""
        if answer != b"ok":
            if self.proc.poll() is None:
                self.proc.kill()
            self.proc.wait(timeout=10)
            error = self.proc.stderr.read().decode(errors="replace").strip()
            raise RuntimeError("orvanta-wlinput %r: %s" % (line, error or "no answer"))

    def key(self, name):
        self.command("key " + name)

    def press(self, name):
        self.command("press " + name)

    def release(self, name):
        self.command("release " + name)

    def move(self, dx, dy):
        self.command("move %s %s" % (dx, dy))

    def moveto(self, x, y, width, height):
        self.command("moveto %d %d %d %d" % (x, y, width, height))

    def button(self, which="left"):
        self.command("button " + which)

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.flush()
            except BrokenPipeError:
                pass
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        for f in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                f.close()
            except BrokenPipeError:
                pass


class AccountSession:
    """A private folder (runtime directory, home) that belongs to the account,
    and the programs a test runs there as that account; close() ends them
    all. Raises unittest.SkipTest with `missing` when it is not empty."""

    def __init__(self, missing, env):
        if missing:
            raise unittest.SkipTest(missing)
        self.as_root = os.geteuid() == 0
        account = pwd.getpwnam(ACCOUNT) if self.as_root else pwd.getpwuid(os.geteuid())
        self.uid, self.gid = account.pw_uid, account.pw_gid
        self.dir = tempfile.mkdtemp(prefix="orvanta-wayland-")
        self.home = os.path.join(self.dir, "home")
        self.runtime = os.path.join(self.dir, "runtime")
        for path in (self.home, self.runtime):
            os.mkdir(path, 0o700)
        os.chmod(self.dir, 0o755)
        for path in (self.dir, self.home, self.runtime):
            os.chown(path, self.uid, self.gid)
        # What tests start, ended first; then what the session runs on
        # (compositor, bus), ended in the reverse order of their start.
        self.inputs, self.procs, self.services, self.closed = [], [], [], False
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
                    "XDG_RUNTIME_DIR": self.runtime, "XDG_SESSION_TYPE": "wayland", "QT_QPA_PLATFORM": "wayland",
                    "LANG": "C.UTF-8", **env}
        self.log = open(os.path.join(self.dir, "session.log"), "w+b")

    # --- running programs as the account ---
    def _command(self, cmd, env):
        prefix = ["runuser", "-u", ACCOUNT, "--"] if self.as_root else []
        return prefix + ["env", "-i"] + ["%s=%s" % kv for kv in env.items()] + [str(c) for c in cmd]

    def _spawn(self, cmd, env, **kw):
        return subprocess.Popen(self._command(cmd, env), cwd=self.dir, **kw)

    def popen(self, *cmd, env=None, **kw):
        """Starts a program as the account with `env` (self.env unless given);
        close() ends it if the test did not."""
        p = self._spawn(cmd, env or self.env, **kw)
        self.procs.append(p)
        return p

    @staticmethod
    def program_pid(p, timeout=10):
        """The pid of the program a popen() started (below runuser), as the
        compositor reports it for the program's windows."""
        if p.args[0] != "runuser":
            return p.pid
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                with open("/proc/%d/task/%d/children" % (p.pid, p.pid)) as f:
                    children = f.read().split()
                if children:
                    return int(children[0])
            except OSError:
                pass
            if p.poll() is not None:
                break
            time.sleep(0.05)
        raise RuntimeError("runuser started no program")

    def run(self, *cmd, env=None, timeout=30, **kw):
        kw.setdefault("capture_output", True)
        return subprocess.run(self._command(cmd, env or self.env), cwd=self.dir, timeout=timeout, **kw)

    def require_readable(self, *paths):
        """Skips the test unless the account can read every path (and run
        those that are programs), with the reason."""
        for path in paths:
            flag = "-x" if os.path.isfile(path) and os.access(path, os.X_OK) else "-r"
            if self.run("test", flag, path, timeout=10).returncode != 0:
                raise unittest.SkipTest("the account %s cannot %s %s" % (ACCOUNT, "run" if flag == "-x" else "read",
                                                                         path))

    def give(self, path):
        """Hands a file or folder the test made inside self.dir to the account.
        What the account's own programs remove meanwhile (their lock files)
        is passed over."""
        for root, dirs, files in os.walk(path):
            for name in dirs + files:
                try:
                    os.chown(os.path.join(root, name), self.uid, self.gid, follow_symlinks=False)
                except FileNotFoundError:
                    pass
        os.chown(path, self.uid, self.gid)

    def log_text(self):
        self.log.flush()
        with open(self.log.name, "rb") as f:
            return f.read().decode(errors="replace")

    # --- the end ---
    def leftovers(self):
        """Live processes started here: everything that inherited the home."""
        return processes_of_home(self.home)

    def close(self):
        """Ends every program started here, the compositor last, and removes
        the folder; raises when a process is still there afterwards. Once only."""
        if self.closed:
            return
        self.closed = True
        for i in self.inputs:
            i.close()
        for group in [self.procs] + [[p] for p in reversed(self.services)]:
            for p in group:
                if p.poll() is None:
                    p.send_signal(signal.SIGTERM)
            deadline = time.time() + 10
            for p in group:
                try:
                    p.wait(timeout=max(0.1, deadline - time.time()))
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait(timeout=10)
        # What the compositor or the bus started itself (swaybg, services) or
        # what a test started without popen.
        for _ in range(50):
            left = self.leftovers()
            if not left:
                break
            for pid in left:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.1)
        self.log.close()
        left = self.leftovers()
        shutil.rmtree(self.dir, ignore_errors=True)
        if left:
            raise RuntimeError("processes left after the session ended: %s" % left)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
class Sway(AccountSession):
    """A headless sway with one output WIDTH x HEIGHT (HEADLESS-1)."""

    def __init__(self, width=1024, height=768, config_lines=(), timeout=20):
        super().__init__(missing_pieces(), {"SWAYSOCK": "", "XDG_CURRENT_DESKTOP": "sway"})
        self.env["SWAYSOCK"] = os.path.join(self.runtime, "sway-ipc.sock")
        self.config = os.path.join(self.dir, "sway.conf")
        with open(self.config, "w") as f:
            f.write("\n".join(["output HEADLESS-1 resolution %dx%d position 0 0" % (width, height),
                               "default_border none", "default_floating_border none", "focus_follows_mouse no",
                               "xwayland disable", *config_lines]) + "\n")
        sway_env = {var: self.env[var] for var in ("PATH", "HOME", "XDG_RUNTIME_DIR", "SWAYSOCK", "LANG")}
        # sway serves its IPC socket at SWAYSOCK when that names no file yet.
        sway_env.update(WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        self.sway = self._spawn(["sway", "-c", self.config], sway_env, stdout=self.log, stderr=subprocess.STDOUT)
        self.services.append(self.sway)
        try:
            self._wait_ready(timeout)
        except BaseException:
            self.close()
            raise

    # --- the compositor ---
    def _wait_ready(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.sway.poll() is not None:
                raise RuntimeError("sway ended (status %s): %s" % (self.sway.returncode, self.log_text()[-2000:]))
            sockets = [n for n in os.listdir(self.runtime) if n.startswith("wayland-") and not n.endswith(".lock")]
            if sockets and os.path.exists(self.env["SWAYSOCK"]):
                self.env["WAYLAND_DISPLAY"] = sockets[0]
                try:
                    if any(o.get("active") for o in self.swaymsg("-t", "get_outputs")):
                        return
                except (subprocess.SubprocessError, ValueError):
                    pass
            time.sleep(0.1)
        raise RuntimeError("sway did not come up within %ss: %s" % (timeout, self.log_text()[-2000:]))

    def swaymsg(self, *args, check=True, timeout=10):
        """swaymsg's answer: parsed JSON for -t get_*, otherwise its text."""
        r = subprocess.run(["swaymsg", "-s", self.env["SWAYSOCK"], *args], capture_output=True, text=True,
                           timeout=timeout, env=self.env)
        if check and r.returncode != 0:
            raise subprocess.CalledProcessError(r.returncode, ["swaymsg", *args], r.stdout, r.stderr)
        if "-t" in args and args[args.index("-t") + 1].startswith("get_"):
            return json.loads(r.stdout)
        return r.stdout

    def outputs(self):
        return {o["name"]: o for o in self.swaymsg("-t", "get_outputs")}

    def create_output(self, width=640, height=480):
        """Adds a headless output of that size; its name."""
        before = set(self.outputs())
        self.swaymsg("create_output")
        deadline = time.time() + 10
        while time.time() < deadline:
            new = sorted(set(self.outputs()) - before)
            if new:
                self.swaymsg("output", new[0], "resolution", "%dx%d" % (width, height))
                return new[0]
            time.sleep(0.1)
        raise RuntimeError("sway made no new output")

    def windows(self):
        """The tree's views (nodes with a pid), floating ones included."""
        found, stack = [], [self.swaymsg("-t", "get_tree")]
        while stack:
            node = stack.pop()
            if node.get("pid"):
                found.append(node)
            stack += node.get("nodes", []) + node.get("floating_nodes", [])
        return found

    def window_of(self, p, timeout=20):
        """The tree node of the first window of a program popen() started."""
        pid = self.program_pid(p)
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = [w for w in self.windows() if w["pid"] == pid]
            if found:
                return found[0]
            if p.poll() is not None:
                raise RuntimeError("the program ended (status %s) before its window appeared" % p.returncode)
            time.sleep(0.1)
        raise RuntimeError("no window of pid %d within %ss" % (pid, timeout))

    def screenshot(self, output=None):
        """One output's pixels (the whole layout when None)."""
        cmd = ["grim", "-t", "ppm"] + (["-o", output] if output else []) + ["-"]
        ppm = subprocess.run(cmd, capture_output=True, check=True, timeout=30, env=self.env).stdout
        return WaylandScreenshot.from_ppm(ppm)

    def input(self, layout=None):
        """A virtual keyboard and pointer, attached until close()."""
        i = Input(self.env, layout)
        self.inputs.append(i)
        return i



class Plasma(AccountSession):
    """KDE Plasma's shell on kwin_wayland's virtual output WIDTH x HEIGHT, with
    a session bus of its own. Qt 5 programs, as Plasma 5 is."""

    SOCKET = "wayland-kde"

    def __init__(self, width=800, height=600, timeout=90):
        super().__init__(missing_pieces(("kwin_wayland", "plasmashell", "dbus-daemon", "gdbus"), (
            ("/usr/lib/*/qt5/plugins/platforms/libqwayland-generic.so", "Qt 5's Wayland platform plugin (qtwayland5)"),
            ("/usr/share/plasma/shells/org.kde.plasma.desktop", "Plasma's desktop shell (plasma-desktop)"))),
            {"WAYLAND_DISPLAY": self.SOCKET, "XDG_CURRENT_DESKTOP": "KDE"})
        try:
            self._start(width, height, timeout)
        except BaseException:
            self.close()
            raise

    def _start(self, width, height, timeout):
        deadline = time.time() + timeout
        # The services the bus starts (the activity manager, kded) get the
        # daemon's environment: the display they need is in it.
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], self.env,
                          stdout=subprocess.PIPE, stderr=self.log)
        self.services.append(bus)
        ready, _, _ = select.select([bus.stdout], [], [], 10)
        address = bus.stdout.readline().decode().strip() if ready else ""
        bus.stdout.close()
        if not address:
            raise RuntimeError("the session bus did not start: " + self.log_text()[-2000:])
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # kwin_wayland carries a file capability (cap_sys_resource): where the
        # capability bounding set lacks it, as in containers, exec refuses the
        # file to an ordinary account. A copy without it is the same program.
        kwin = os.path.join(self.dir, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), kwin)
        os.chmod(kwin, 0o755)
        self.services.append(self._spawn([kwin, "--virtual", "--width", width, "--height", height, "--socket",
                                          self.SOCKET, "--no-lockscreen", "--no-global-shortcuts"], self.env,
                                         stdout=self.log, stderr=subprocess.STDOUT))
        while not os.path.exists(os.path.join(self.runtime, self.SOCKET)):
            self._check(deadline, "kwin_wayland's socket")
        self.services.append(self._spawn(["plasmashell"], self.env, stdout=self.log, stderr=subprocess.STDOUT))
        while True:
            try:
                if int(self.evaluate("print(desktops().length);")) > 0:
                    return
            except (RuntimeError, ValueError, subprocess.TimeoutExpired):
                pass
            self._check(deadline, "Plasma's desktop")

    def _check(self, deadline, what):
        ended = [p for p in self.services if p.poll() is not None]
        if ended or time.time() > deadline:
            raise RuntimeError("no %s (%s): %s" % (what, "a service ended" if ended else "timed out",
                                                   self.log_text()[-3000:]))
        time.sleep(0.2)

    def evaluate(self, script, timeout=20):
        """What the shell's evaluateScript answers for the script (its print()s,
        run together). gdbus reads the script as a text value: no backslashes."""
        r = self.run("gdbus", "call", "--session", "--timeout", str(timeout), "--dest", "org.kde.plasmashell",
                     "--object-path", "/PlasmaShell", "--method", "org.kde.PlasmaShell.evaluateScript", script,
                     text=True, timeout=timeout + 10)
        if r.returncode != 0:
            raise RuntimeError("evaluateScript: " + r.stderr.strip())
        return ast.literal_eval(r.stdout.strip())[0]

    def wallpapers(self):
        """(plugin, Image, FillMode) of every desktop, as the shell has them."""
        text = self.evaluate('var all = desktops(), found = []; for (var i = 0; i < all.length; ++i) {'
                             ' var d = all[i]; d.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];'
                             ' found.push([d.wallpaperPlugin, d.readConfig("Image"), d.readConfig("FillMode")]); }'
                             ' print(JSON.stringify(found));')
        return [tuple(w) for w in json.loads(text)]

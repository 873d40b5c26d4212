"""End-to-end harness: runs the real orvanta under the X server named by
DISPLAY (the test script starts a virtual one), with a fresh home, and reads
back the screen and the settings file."""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

BIN = os.environ.get("ORVANTA_BIN", "")
TOOLS = os.environ.get("ORVANTA_TOOLS", "")

KEY = r"HKEY_CURRENT_USER\Software\Quorrin\Orvanta\4.0"


def parse_registry(text):
    """{key path: {value name: text}} of a REGEDIT4 file ("" is the unnamed value)."""
    keys, current = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1], {})
            continue
        m = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=("((?:[^"\\]|\\.)*)")$', line)
        if m and current is not None:
            name = "" if m.group(1) == "@" else unescape(m.group(2))
            current[name] = unescape(m.group(4))
    return keys


def unescape(s):
    return re.sub(r"\\(.)", lambda m: {"n": "\n"}.get(m.group(1), m.group(1)), s)


def escape(s):
    return s.replace("\\", "\\\\").replace('"', '\\"')


def wait_until(predicate, timeout, what, test):
    """The first true value of predicate(), asked every 0.1 s; the test fails
    when there is none within timeout seconds."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    test.fail("timed out waiting for " + what)


def xdotool(*args, check=True):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, check=check, timeout=20)


class Screenshot:
    """The root window's pixels, read with xwd and ImageMagick as raw RGB."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def take(cls):
        xwd = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, check=True, timeout=30).stdout
        size = subprocess.run(["identify", "-format", "%w %h", "xwd:-"], input=xwd, capture_output=True,
                              check=True, timeout=30).stdout.split()
        rgb = subprocess.run(["convert", "xwd:-", "-depth", "8", "rgb:-"], input=xwd, capture_output=True,
                             check=True, timeout=30).stdout
        return cls(int(size[0]), int(size[1]), rgb)

    def getpixel(self, xy):
        x, y = xy
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x, y, w, h):
        """The pixels of a rectangle, row by row."""
        return [self.getpixel((i, j)) for j in range(y, y + h) for i in range(x, x + w)]

    def getextrema(self):
        return tuple((min(self.data[c::3]), max(self.data[c::3])) for c in range(3))


def processes_of_home(home, program=None):
    """Live (not zombie) processes whose HOME is `home`, whoever started them;
    only those running `program` when it is given."""
    marker = ("HOME=" + home).encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            if program and os.readlink("/proc/%s/exe" % entry) != program:
                continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            with open("/proc/%s/stat" % entry) as f:
                if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                    continue
        except OSError:
            continue
        found.append(int(entry))
    return found


def bare_session(env):
    """The environment of an X session without a desktop or a session bus."""
    env = dict(env)
    for var in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "DBUS_SESSION_BUS_ADDRESS", "GSETTINGS_BACKEND",
                "XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "SWAYSOCK"):
        env.pop(var, None)
    return env


def plain_black_root():
    """Gives the virtual server its plain black root back after a wallpaper was
    set: frees the kept pixmap (its client was retained), drops the properties."""
    prop = subprocess.run(["xprop", "-root", "_XROOTPMAP_ID"], capture_output=True, text=True,
                          timeout=10).stdout.strip()
    if "# 0x" in prop:
        subprocess.run(["xkill", "-id", prop.split("# ")[1]], capture_output=True, timeout=10)
    for name in ("_XROOTPMAP_ID", "ESETROOT_PMAP_ID"):
        subprocess.run(["xprop", "-root", "-remove", name], capture_output=True, timeout=10)
    subprocess.run(["xsetroot", "-solid", "black"], capture_output=True, timeout=10)


class Host:
    """A top-level window of the test host program (tools/display/orvanta-testhost),
    grey, at (x, y): a stand-in for a program that hands orvanta a window."""

    def __init__(self, env, width, height, x=100, y=100):
        self.x, self.y = x, y
        self.proc = subprocess.Popen([os.path.join(TOOLS, "orvanta-testhost"), str(width), str(height), str(x), str(y)],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
        self.id = int(self.proc.stdout.readline())

    def command(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            self.proc.wait(timeout=10)
        self.proc.stdout.close()
        if not self.proc.stdin.closed:
            self.proc.stdin.close()


class ShowTest(unittest.TestCase):
    """Each test gets its own home, config, data and runtime folders."""

    def setUp(self):
        if not BIN or not os.environ.get("DISPLAY"):
            self.skipTest("needs ORVANTA_BIN and an X display")
        self.dir = tempfile.mkdtemp(prefix="orvanta-e2e-")
        self.env = dict(os.environ)
        self.env.pop("XSCREENSAVER_WINDOW", None)  # tests run inside a screen saver would all be display modes
        for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                         ("XDG_RUNTIME_DIR", "runtime")):
            path = os.path.join(self.dir, sub)
            os.makedirs(path, mode=0o700)
            self.env[var] = path
        self.procs = []

    def tearDown(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        if getattr(self, "log", None):
            self.log.close()
        shutil.rmtree(getattr(self, "dir", ""), ignore_errors=True)

    # --- settings ---
    @property
    def registry_path(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "orvanta", "HKEY_CURRENT_USER.reg")

    def registry(self):
        try:
            with open(self.registry_path, encoding="utf-8") as f:
                return parse_registry(f.read())
        except FileNotFoundError:
            return {}

    def settings(self):
        return self.registry().get(KEY, {})

    def write_settings(self, values):
        os.makedirs(os.path.dirname(self.registry_path), exist_ok=True)
        lines = ["REGEDIT4", "", "[" + KEY + "]", '@="(value not set)"']
        lines += ['"%s"="%s"' % (escape(k), escape(str(v))) for k, v in values.items()]
        with open(self.registry_path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")

    def picture_dir(self, name="pictures"):
        path = os.path.join(self.dir, name)
        os.makedirs(path, exist_ok=True)
        return path

    # --- the program ---
    def start(self, *args, cwd=None, env=None):
        if getattr(self, "log", None):
            self.log.close()
        self.log = open(os.path.join(self.dir, "orvanta.log"), "w+b")
        p = subprocess.Popen([BIN, *args], env=env or self.env, stdout=self.log, stderr=subprocess.STDOUT, cwd=cwd)
        self.procs.append(p)
        return p

    def run_to_end(self, *args, timeout=10):
        p = self.start(*args)
        try:
            p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("orvanta %s did not end within %ss" % (" ".join(args), timeout))
        return p.returncode

    def wait_for(self, predicate, timeout=10, what="condition"):
        return wait_until(predicate, timeout, what, self)

    def window_of(self, p, name="^Form1$", timeout=20):
        def find():
            if p.poll() is not None:
                self.log.seek(0)
                self.fail("orvanta ended (status %s) before its window appeared: %s"
                          % (p.returncode, self.log.read().decode(errors="replace")[-2000:]))
            r = xdotool("search", "--all", "--onlyvisible", "--pid", str(p.pid), "--name", name, check=False)
            ids = r.stdout.split()
            return ids[0] if ids else None
        return self.wait_for(find, timeout, "a window of orvanta")

    def visible_windows(self, p):
        r = xdotool("search", "--all", "--onlyvisible", "--pid", str(p.pid), "--name", ".+", check=False)
        return r.stdout.split()

    def key(self, window, *keys):
        xdotool("windowfocus", "--sync", window, check=False)
        xdotool("key", "--clearmodifiers", *keys)

    def wait_exit(self, p, timeout=10):
        try:
            return p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("orvanta did not end within %ss" % timeout)

    def screenshot(self):
        """The root window as it is on screen now."""
        return Screenshot.take()

    def signal(self, p, sig=signal.SIGTERM):
        p.send_signal(sig)

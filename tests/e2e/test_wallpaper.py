"""The last picture of a show as the desktop wallpaper, end to end: the file
written at the end of the show, the root window's background on a bare X
session, and the desktops' own settings through a real GSettings backend
(dconf on a D-Bus session bus) and Xfce's xfconf."""
import glob
import os
import pwd
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import ShowTest, TOOLS, bare_session, plain_black_root
from pictures import marked

RED, GREEN = (255, 0, 0), (0, 255, 0)
SKY = (0, 128, 255)
W, H = 1024, 768


def read_bmp_rgb(path):
    """(width, height, rgb bytes top-down) of a BMP, through ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, check=True,
                          timeout=30).stdout.split()
    rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                         timeout=30).stdout
    return int(size[0]), int(size[1]), rgb


def pixel(rgb, width, x, y):
    i = 3 * (y * width + x)
    return tuple(rgb[i:i + 3])


class WallpaperTest(ShowTest):
    def show_settings(self, folder, **values):
        settings = {"Duration": "30", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0",
                    "Splash": "0", "Effects": "0", "Delay": "0", "BackColor": "  0128255", "Proportional": "0",
                    "WallpaperLast": "1", "Message": "1", "MsgText": "OVERLAY", "MsgPlace": "5"}
        settings.update(values)
        return settings

    def run_show(self, settings, tiled=None, picture_xy=(600, 420)):
        """Runs a show until its picture is on screen, then leaves it with a key.
        tiled, when given, is written as TileWallpaper under the desktop key."""
        self.write_settings(settings)
        if tiled is not None:
            with open(self.registry_path, "a") as f:
                f.write('\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"TileWallpaper"="%d"\n' % tiled)
        p = self.start("/s")
        window = self.window_of(p)
        self.wait_for(lambda: self.screenshot().getpixel(picture_xy) == RED, 20, "the picture on screen")
        screen = self.screenshot()
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        return screen

    def wallpaper_file(self, user=None):
        user = user or pwd.getpwuid(os.getuid()).pw_name
        return os.path.join(self.env["XDG_DATA_HOME"], "orvanta", user + "_OrvantaWall.bmp")


class BareSession(WallpaperTest):
    def setUp(self):
        super().setUp()
        self.env = bare_session(self.env)

    def tearDown(self):
        plain_black_root()
        super().tearDown()

    def root_pixmap(self):
        out = os.path.join(self.dir, "root.ppm")
        r = subprocess.run([os.path.join(TOOLS, "orvanta-rootpixmap"), out], capture_output=True, timeout=30)
        if r.returncode != 0:
            return None
        return read_bmp_rgb(out)

    def root_pixmap_id(self):
        return subprocess.run(["xprop", "-root", "_XROOTPMAP_ID"], capture_output=True, text=True,
                              timeout=10).stdout.strip()

    def test_the_last_picture_becomes_the_file_and_the_root_background(self):
        # A desktop named without a session bus to reach its settings: the root it is.
        self.env["XDG_CURRENT_DESKTOP"] = "GNOME"
        folder = self.picture_dir()
        marked(os.path.join(folder, "a.bmp"), 200, 100, RED, GREEN)
        screen = self.run_show(self.show_settings(folder))
        # The file is the composed screen image: background, placement, no message.
        path = self.wallpaper_file()
        width, height, rgb = read_bmp_rgb(path)
        self.assertEqual((width, height), (W, H))
        with open(path, "rb") as f:
            header = f.read(30)
        self.assertEqual(header[28], 24)  # form B on a true-colour screen
        self.assertEqual(pixel(rgb, W, 0, 0), SKY)
        self.assertEqual(pixel(rgb, W, 412, 334), GREEN)  # the mark, top left of the centred picture
        self.assertEqual(pixel(rgb, W, 600, 420), RED)
        differ = [(x, y) for y in range(0, H, 4) for x in range(0, W, 4)
                  if pixel(rgb, W, x, y) != screen.getpixel((x, y))]
        self.assertTrue(differ, "the message is on screen but not in the file")
        for x, y in differ:  # only the message's few lines differ
            self.assertTrue(abs(y - 384) < 60, (x, y))
        colours = {pixel(rgb, W, x, y) for y in range(0, H, 2) for x in range(0, W, 2)}
        self.assertEqual(colours, {SKY, RED, GREEN})
        # The root window's background pixmap holds the same picture.
        root = self.root_pixmap()
        self.assertIsNotNone(root, "no _XROOTPMAP_ID pixmap")
        self.assertEqual(root[:2], (W, H))
        self.assertEqual(root[2], rgb)
        # And the screen now shows it, with no window left.
        shot = self.screenshot()
        self.assertEqual(shot.getpixel((412, 334)), GREEN)
        self.assertEqual(shot.getpixel((5, 5)), SKY)

    def test_nothing_without_the_setting_or_a_picture(self):
        before = self.root_pixmap_id()
        folder = self.picture_dir()
        marked(os.path.join(folder, "a.bmp"), 200, 100, RED, GREEN)
        self.run_show(self.show_settings(folder, WallpaperLast="0"))
        self.assertEqual(glob.glob(os.path.join(self.env["XDG_DATA_HOME"], "orvanta", "*")), [])
        # A show that never shows a picture (an empty folder) writes nothing either.
        empty = self.picture_dir("empty")
        self.write_settings(self.show_settings(empty))
        p = self.start("/s")
        self.window_of(p)
        self.wait_for(lambda: self.settings().get("RanLocDisp"), what="the settings")
        p.send_signal(15)
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(glob.glob(os.path.join(self.env["XDG_DATA_HOME"], "orvanta", "*")), [])
        self.assertEqual(self.root_pixmap_id(), before)


class DesktopSettings(WallpaperTest):
    """A real settings backend: dconf (and xfconf) on a private D-Bus session bus,
    all run as an ordinary account, since dconf may refuse root's home."""

    USER = "nobody"

    def setUp(self):
        super().setUp()
        for tool in ("dbus-daemon", "gsettings", "dconf"):
            if not shutil.which(tool):
                self.skipTest(tool + " is not installed (see scripts/install-deps.sh)")
        if os.getuid() != 0:
            self.skipTest("needs root to run the desktop session as %s" % self.USER)
        account = pwd.getpwnam(self.USER)
        os.chmod(self.dir, 0o755)
        for root, dirs, files in os.walk(self.dir):
            for name in dirs + files:
                os.chown(os.path.join(root, name), account.pw_uid, account.pw_gid)
        os.chown(self.dir, account.pw_uid, account.pw_gid)
        self.env = bare_session(self.env)
        self.env.update({"USER": self.USER, "LOGNAME": self.USER})
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], user=self.USER,
                                    stdout=subprocess.PIPE, text=True, env=self.env, cwd=self.dir)
        self.procs.append(self.bus)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.stdout.readline().strip()
        self.env["GSETTINGS_BACKEND"] = "dconf"

    def tearDown(self):
        if getattr(self, "bus", None):
            self.bus.terminate()
            self.bus.wait(timeout=10)
            self.bus.stdout.close()
        super().tearDown()

    def write_settings(self, values):
        super().write_settings(values)
        account = pwd.getpwnam(self.USER)
        for folder in (os.path.dirname(self.registry_path), self.registry_path):
            os.chown(folder, account.pw_uid, account.pw_gid)

    def start(self, *args):
        self.log = open(os.path.join(self.dir, "orvanta.log"), "w+b")
        p = subprocess.Popen([os.environ["ORVANTA_BIN"], *args], env=self.env, stdout=self.log,
                             stderr=subprocess.STDOUT, user=self.USER, cwd=self.dir)
        self.procs.append(p)
        return p

    def as_user(self, *command):
        return subprocess.run(list(command), env=self.env, user=self.USER, capture_output=True, text=True,
                              timeout=30, cwd=self.dir)

    def gsettings(self, schema, key):
        r = self.as_user("gsettings", "get", schema, key)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r.stdout.strip()

    def show_on(self, desktop, tiled=None):
        folder = self.picture_dir()
        marked(os.path.join(folder, "a.bmp"), 200, 100, RED, GREEN)
        settings = self.show_settings(folder, Message="0")
        self.env["XDG_CURRENT_DESKTOP"] = desktop
        self.run_show(settings, tiled=tiled)
        path = self.wallpaper_file(self.USER)
        self.assertTrue(os.path.isfile(path))
        return path

    def test_gnome_keys_name_the_file(self):
        path = self.show_on("GNOME")
        uri = "'file://%s'" % path
        self.assertEqual(self.gsettings("org.gnome.desktop.background", "picture-uri"), uri)
        self.assertEqual(self.gsettings("org.gnome.desktop.background", "picture-uri-dark"), uri)
        self.assertEqual(self.gsettings("org.gnome.desktop.background", "picture-options"), "'centered'")
        # Stored by dconf itself, not only in the process's memory.
        r = self.as_user("dconf", "read", "/org/gnome/desktop/background/picture-uri")
        self.assertEqual(r.stdout.strip(), uri)
        # A tiled wallpaper, chosen in the desktop key, is "wallpaper" to GNOME.
        self.show_on("Budgie:GNOME", tiled=1)
        self.assertEqual(self.gsettings("org.gnome.desktop.background", "picture-options"), "'wallpaper'")

    def test_cinnamon_and_mate_keys(self):
        schemas = subprocess.run(["gsettings", "list-schemas"], capture_output=True, text=True).stdout.split()
        if "org.cinnamon.desktop.background" not in schemas or "org.mate.background" not in schemas:
            self.skipTest("the Cinnamon and MATE schemas are not installed (see scripts/install-deps.sh)")
        path = self.show_on("X-Cinnamon")
        self.assertEqual(self.gsettings("org.cinnamon.desktop.background", "picture-uri"), "'file://%s'" % path)
        self.assertEqual(self.gsettings("org.cinnamon.desktop.background", "picture-options"), "'centered'")
        path = self.show_on("MATE", tiled=1)
        self.assertEqual(self.gsettings("org.mate.background", "picture-filename"), "'%s'" % path)
        self.assertEqual(self.gsettings("org.mate.background", "picture-options"), "'wallpaper'")

    def test_xfce_backdrops(self):
        if not shutil.which("xfconf-query"):
            self.skipTest("xfconf-query is not installed (see scripts/install-deps.sh)")
        path = self.show_on("XFCE")
        listing = self.as_user("xfconf-query", "-c", "xfce4-desktop", "-l").stdout.split()
        images = [p for p in listing if p.endswith("/last-image")]
        self.assertTrue(images, listing)
        for prop in images:
            self.assertEqual(self.as_user("xfconf-query", "-c", "xfce4-desktop", "-p", prop).stdout.strip(), path)
            style = prop[:-len("last-image")] + "image-style"
            self.assertEqual(self.as_user("xfconf-query", "-c", "xfce4-desktop", "-p", style).stdout.strip(), "1")


if __name__ == "__main__":
    unittest.main()

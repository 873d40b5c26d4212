"""The last picture of a show as the wallpaper of a Wayland desktop, each run
as an ordinary account: under a headless sway the show's end hands the file
to sway, whose background client then shows it on the output; where no
backend fits a Wayland desktop, the file is still written and the background
stays; on KDE Plasma (its shell on kwin_wayland's virtual output) every
desktop's image wallpaper names the file."""
import os
import signal
import subprocess
import time
import unittest

from harness import BIN, KEY, ShowTest, escape
from pictures import marked
from test_wallpaper import pixel, read_bmp_rgb
from wayland import Plasma, Sway, WaylandScreenshot, session_for

RED, GREEN, SKY = (255, 0, 0), (0, 255, 0), (0, 128, 255)
GREY = (63, 63, 63)  # sway's own background without one configured
W, H = 1024, 768


def write_settings(session, folder, tiled):
    """A show of the pictures in `folder` that ends with the wallpaper, its
    TileWallpaper `tiled`, as the account's settings."""
    values = {"Duration": "30", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0", "Splash": "0",
              "Effects": "0", "Delay": "0", "BackColor": "  0128255", "Proportional": "0", "WallpaperLast": "1",
              "Message": "0"}
    config = os.path.join(session.home, ".config")
    os.makedirs(os.path.join(config, "orvanta"), exist_ok=True)
    with open(os.path.join(config, "orvanta", "HKEY_CURRENT_USER.reg"), "w", encoding="utf-8") as f:
        f.write("REGEDIT4\n\n[%s]\n" % KEY + "".join('"%s"="%s"\n' % (escape(k), escape(v))
                                                   for k, v in values.items()))
        f.write('\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"TileWallpaper"="%d"\n' % tiled)
    session.give(config)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def wait_for(test, predicate, what, timeout=20):
    return ShowTest.wait_for(test, predicate, timeout, what)


class WaylandWallpaper(unittest.TestCase):
    def setUp(self):
        self.sway = session_for(self, Sway, W, H)
        self.folder = os.path.join(self.sway.dir, "pictures")
        os.mkdir(self.folder)
        marked(os.path.join(self.folder, "a.bmp"), 200, 100, RED, GREEN)
        self.wallpaper = os.path.join(self.sway.home, ".local", "share", "orvanta", "nobody_OrvantaWall.bmp")

    def write_settings(self, tiled):
        write_settings(self.sway, self.folder, tiled)

    def wait_for(self, predicate, what, timeout=20):
        return wait_for(self, predicate, what, timeout)

    def run_show(self, env=None, tiled=0):
        """A show of the one picture, left with Escape once it is on the output."""
        self.write_settings(tiled)
        keys = self.sway.input()  # attached before the show's window takes the focus
        log = os.path.join(self.sway.dir, "orvanta.log")
        with open(log, "wb") as out:
            p = self.sway.popen(BIN, "/s", env=env, stdout=out, stderr=subprocess.STDOUT)
        self.sway.window_of(p)
        self.wait_for(lambda: self.sway.screenshot("HEADLESS-1").getpixel((600, 420)) == RED, "the picture")
        keys.key("Escape")
        try:
            self.assertEqual(p.wait(timeout=15), 0)
        except subprocess.TimeoutExpired:
            with open(log, "rb") as f:
                self.fail("the show did not end: " + f.read().decode(errors="replace")[-2000:])
        # The compositor draws the pointer into every screenshot: out of the
        # way, into the bottom right corner.
        layout = self.sway.swaymsg("-t", "get_tree")["rect"]
        keys.moveto(layout["width"] - 1, layout["height"] - 1, layout["width"], layout["height"])

    def without_pointer(self, shot):
        """The pixels of all rows but those the parked pointer may cover."""
        return shot.region(0, 0, shot.width, shot.height - 32)

    def test_the_last_picture_becomes_every_outputs_background(self):
        self.run_show()
        width, height, rgb = read_bmp_rgb(self.wallpaper)
        self.assertEqual((width, height), (W, H))
        self.assertEqual(self.sway.windows(), [])
        # swaybg draws the file at its own size, centred: the screen as the show left it.
        wallpaper = self.without_pointer(WaylandScreenshot(W, H, rgb))
        self.wait_for(lambda: self.without_pointer(self.sway.screenshot("HEADLESS-1")) == wallpaper,
                      "the wallpaper on the output")
        shot = self.sway.screenshot("HEADLESS-1")
        self.assertEqual([shot.getpixel(xy) for xy in ((5, 5), (412, 334), (600, 420))], [SKY, GREEN, RED])
        self.assertEqual(pixel(rgb, W, 412, 334), GREEN)

    def test_a_tiled_wallpaper_repeats_on_a_larger_output(self):
        output = self.sway.create_output(W + 200, H)
        self.run_show(tiled=1)
        # Tiled from the output's top left, the mark is where the file has it;
        # centred it would be 100 pixels to the right.
        self.wait_for(lambda: self.sway.screenshot(output).getpixel((412, 334)) == GREEN, "the tiled wallpaper")
        shot = self.sway.screenshot(output)
        self.assertEqual([shot.getpixel(xy) for xy in ((411, 334), (600, 420), (W + 5, 5))], [SKY, RED, SKY])

    def test_without_a_backend_the_file_is_written_and_the_background_stays(self):
        env = dict(self.sway.env)
        for var in ("SWAYSOCK", "XDG_CURRENT_DESKTOP"):
            env.pop(var)
        self.run_show(env=env)
        self.assertTrue(os.path.isfile(self.wallpaper))
        self.assertEqual(self.sway.windows(), [])
        time.sleep(1)  # time for a background client that should not come
        self.assertEqual(set(self.without_pointer(self.sway.screenshot("HEADLESS-1"))), {GREY})

    def test_the_dialogs_wallpaper_button_with_and_without_a_backend(self):
        write_settings(self.sway, self.folder, 0)
        keys = self.sway.input()
        bare = {k: v for k, v in self.sway.env.items() if k not in ("SWAYSOCK", "XDG_CURRENT_DESKTOP")}
        button = os.path.join(self.sway.home, ".local", "share", "orvanta", "OrvantaWallpaper.bmp")
        for env, centre in ((bare, GREY), (self.sway.env, RED)):
            if os.path.exists(button):
                os.remove(button)
            p = self.sway.popen(BIN, "/c", env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            rect = self.sway.window_of(p)["rect"]
            middle = (rect["x"] + rect["width"] // 2, rect["y"] + rect["height"] // 2)
            self.wait_for(lambda: self.sway.screenshot("HEADLESS-1").getpixel(middle) != GREY, "the dialog drawn")
            keys.press("Control_L")
            keys.key("Tab")  # the Picture Selection page
            keys.release("Control_L")
            # Its Preview check box (where the page's layout table puts it with
            # the Liberation fonts) enables the Wallpaper button, Alt+W presses it.
            keys.moveto(rect["x"] + 403, rect["y"] + 238, W, H)
            keys.button("left")
            keys.press("Alt_L")
            keys.key("w")
            keys.release("Alt_L")
            self.wait_for(lambda: os.path.isfile(button), "the button's wallpaper file")
            self.assertEqual(len(self.sway.windows()), 1)  # no message about it
            keys.key("Escape")
            self.assertEqual(p.wait(timeout=10), 0)
            self.wait_for(lambda: self.sway.screenshot("HEADLESS-1").getpixel((512, 384)) == centre,
                          "the desktop's background")
            shot = self.sway.screenshot("HEADLESS-1")
            self.assertEqual([shot.getpixel(xy) for xy in ((5, 5), (412, 334))],
                             [GREY, GREEN if centre == RED else GREY])


class PlasmaWallpaper(unittest.TestCase):
    def setUp(self):
        self.plasma = session_for(self, Plasma, 800, 600)
        self.folder = os.path.join(self.plasma.dir, "pictures")
        os.mkdir(self.folder)
        marked(os.path.join(self.folder, "a.bmp"), 200, 100, RED, GREEN)

    def run_show(self, tiled, path):
        """A show on kwin, ended by SIGTERM (the desktop's way) a while after it
        started. Nothing here reads kwin's screen back: a show that had drawn
        no picture by then (a loaded machine) writes no file, and is run once
        more with a longer while."""
        write_settings(self.plasma, self.folder, tiled)
        registry = os.path.join(self.plasma.home, ".config", "orvanta", "HKEY_CURRENT_USER.reg")
        if os.path.exists(path):
            os.remove(path)
        for seconds in (3, 15):
            with open(os.path.join(self.plasma.dir, "orvanta.log"), "wb") as out:
                p = self.plasma.popen(BIN, "/s", stdout=out, stderr=subprocess.STDOUT)
            before = read(registry)
            wait_for(self, lambda: read(registry) != before, "the show to start", 30)
            time.sleep(seconds)
            os.kill(self.plasma.program_pid(p), signal.SIGTERM)
            self.assertEqual(p.wait(timeout=15), 0)
            if os.path.exists(path):
                return
        self.fail("no wallpaper file after a show of %ss: %s" % (seconds, read(out.name).decode(errors="replace")))

    def test_every_desktop_shows_the_file_centred_or_tiled(self):
        path = os.path.join(self.plasma.home, ".local", "share", "orvanta", "nobody_OrvantaWall.bmp")
        self.assertNotIn(path, str(self.plasma.wallpapers()))
        for tiled, fill_mode in ((0, "6"), (1, "3")):  # Plasma's Centered and Tiled
            self.run_show(tiled, path)
            self.assertEqual(read_bmp_rgb(path)[:2], (800, 600))
            self.assertEqual(self.plasma.wallpapers(), [("org.kde.image", "file://" + path, fill_mode)])
        # And written to the shell's own configuration.
        appletsrc = os.path.join(self.plasma.home, ".config", "plasma-org.kde.plasma.desktop-appletsrc")
        wait_for(self, lambda: b"Image=file://" + path.encode() in read(appletsrc), "the shell's configuration")


if __name__ == "__main__":
    unittest.main()

"""The last picture of a show as the wallpaper of a Wayland desktop: under a
headless sway, run as an ordinary account, the show's end hands the file to
sway, whose background client then shows it on the output; where no backend
fits a Wayland desktop, the file is still written and the background stays."""
import os
import subprocess
import time
import unittest

from harness import BIN, KEY, escape
from pictures import marked
from test_wallpaper import pixel, read_bmp_rgb
from wayland import Sway, WaylandScreenshot

RED, GREEN, SKY = (255, 0, 0), (0, 255, 0), (0, 128, 255)
GREY = (63, 63, 63)  # sway's own background without one configured
W, H = 1024, 768


class WaylandWallpaper(unittest.TestCase):
    def setUp(self):
        if not BIN:
            self.skipTest("needs ORVANTA_BIN")
        self.sway = Sway(W, H)
        self.addCleanup(self.sway.close)
        self.sway.require_readable(BIN)
        self.folder = os.path.join(self.sway.dir, "pictures")
        os.mkdir(self.folder)
        marked(os.path.join(self.folder, "a.bmp"), 200, 100, RED, GREEN)
        self.wallpaper = os.path.join(self.sway.home, ".local", "share", "orvanta", "nobody_OrvantaWall.bmp")

    def write_settings(self, tiled):
        values = {"Duration": "30", "Count": "1", "ImageDir0": self.folder, "DirSet0": "1", "Randomize": "0",
                  "Splash": "0", "Effects": "0", "Delay": "0", "BackColor": "  0128255", "Proportional": "0",
                  "WallpaperLast": "1", "Message": "0"}
        folder = os.path.join(self.sway.home, ".config", "orvanta")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "HKEY_CURRENT_USER.reg"), "w", encoding="utf-8") as f:
            f.write("REGEDIT4\n\n[%s]\n" % KEY + "".join('"%s"="%s"\n' % (escape(k), escape(v))
                                                       for k, v in values.items()))
            f.write('\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"TileWallpaper"="%d"\n' % tiled)
        self.sway.give(os.path.join(self.sway.home, ".config"))

    def wait_for(self, predicate, what, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = predicate()
            if value:
                return value
            time.sleep(0.1)
        self.fail("timed out waiting for " + what)

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


if __name__ == "__main__":
    unittest.main()

"""The slide show end to end: placement, stepping, pause, favourites,
overlays and leaving, read back from the screen of the virtual X server."""
import glob
import os
import signal
import time
import unittest

from harness import ShowTest
from pictures import marked, solid

RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
SKY = (0, 128, 255)


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class SlideShow(ShowTest):
    W, H = 1024, 768

    def base_settings(self, folder, **values):
        settings = {"Duration": "30", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0",
                    "AlphaSort": "1", "Splash": "0", "Effects": "0", "Delay": "0", "AlphaMemory": "0",
                    "BackColor": "  0128255", "Proportional": "0"}
        settings.update(values)
        return settings

    def start_show(self, settings):
        self.write_settings(settings)
        p = self.start("/s")
        window = self.window_of(p)
        return p, window

    def wait_pixel(self, xy, colour, timeout=10):
        return self.wait_for(lambda: close(self.screenshot().getpixel(xy), colour), timeout,
                             "colour %s at %s" % (colour, xy))

    def leave(self, p, window):
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

    def test_placement_follows_the_settings(self):
        folder = self.picture_dir()
        cases = [
            # (settings, picture size, expected rectangle of the picture)
            ({}, (200, 100), (412, 334, 200, 100)),                                  # none: centred
            ({"Stretch": "1"}, (200, 100), (0, 0, 1024, 768)),                       # full screen
            ({"Proportional": "1", "PropLimit": "2"}, (200, 100), (312, 284, 400, 200)),  # limited to 2x
            ({"Proportional": "1", "PropLimit": "0"}, (200, 100), (0, 128, 1024, 512)),   # to the screen
            ({"Shrink": "1"}, (2048, 384), (0, 288, 1024, 192)),                     # shrunk to fit
            ({"Shrink": "1"}, (300, 200), (362, 284, 300, 200)),                     # fits: unscaled
        ]
        for values, (w, h), (x, y, rw, rh) in cases:
            with self.subTest(settings=values, size=(w, h)):
                for old in glob.glob(os.path.join(folder, "*")):
                    os.remove(old)
                solid(os.path.join(folder, "a.bmp"), w, h, RED)
                p, window = self.start_show(self.base_settings(folder, **values))
                self.wait_pixel((x + rw // 2, y + rh // 2), RED)
                shot = self.screenshot()
                inside = [(x + 1, y + 1), (x + rw - 2, y + 1), (x + 1, y + rh - 2), (x + rw - 2, y + rh - 2)]
                for xy in inside:
                    self.assertTrue(close(shot.getpixel(xy), RED), (xy, shot.getpixel(xy)))
                outside = [(x - 2, y + rh // 2), (x + rw + 1, y + rh // 2), (x + rw // 2, y - 2),
                           (x + rw // 2, y + rh + 1)]
                for ox, oy in outside:
                    if 0 <= ox < self.W and 0 <= oy < self.H:
                        self.assertEqual(shot.getpixel((ox, oy)), SKY, (ox, oy))
                self.leave(p, window)

    def test_tiles_repeat_from_the_corner(self):
        folder = self.picture_dir()
        marked(os.path.join(folder, "a.bmp"), 300, 200, RED, GREEN)
        p, window = self.start_show(self.base_settings(folder, Tiled="1"))
        self.wait_pixel((5, 5), GREEN)
        shot = self.screenshot()
        for tx in range(4):
            for ty in range(4):
                self.assertEqual(shot.getpixel((tx * 300 + 5, ty * 200 + 5)), GREEN)
                self.assertEqual(shot.getpixel((tx * 300 + 50, ty * 200 + 50))[:1], (255,))
        self.leave(p, window)

    def test_timed_show_advances_and_steps(self):
        folder = self.picture_dir()
        for name, colour in (("1.bmp", RED), ("2.bmp", GREEN), ("3.bmp", BLUE)):
            solid(os.path.join(folder, name), 64, 64, colour)
        centre = (512, 384)
        p, window = self.start_show(self.base_settings(folder, Duration="2"))
        self.wait_pixel(centre, RED)
        self.wait_pixel(centre, GREEN, timeout=8)  # the timer advances the show
        p.kill()
        p.wait()
        # Right shows the next picture at once, Left the previous one.
        p, window = self.start_show(self.base_settings(folder, Duration="30"))
        self.wait_pixel(centre, RED)
        self.key(window, "Right")
        self.wait_pixel(centre, GREEN, timeout=3)
        self.key(window, "Right")
        self.wait_pixel(centre, BLUE, timeout=3)
        self.key(window, "Left")
        self.wait_pixel(centre, GREEN, timeout=3)
        self.key(window, "Left")
        self.wait_pixel(centre, RED, timeout=3)
        self.key(window, "Left")  # back from the first wraps to the last
        self.wait_pixel(centre, BLUE, timeout=3)
        # Any other key ends the show and writes the picture on screen as LastImage.
        self.key(window, "x")
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(self.settings()["LastImage"], os.path.join(folder, "3.bmp"))

    def test_pause_holds_the_picture(self):
        folder = self.picture_dir()
        solid(os.path.join(folder, "1.bmp"), 64, 64, RED)
        solid(os.path.join(folder, "2.bmp"), 64, 64, GREEN)
        p, window = self.start_show(self.base_settings(folder, Duration="3"))
        self.wait_pixel((512, 384), RED)
        self.key(window, "p")
        time.sleep(0.5)
        shot = self.screenshot()
        held = shot.getpixel((512, 384))
        status = shot.region(0, self.H - 24, 120, 24)
        self.assertIn((150, 150, 150), status)  # the grey " Pause" text, bottom left
        time.sleep(4)  # longer than a picture's time
        shot = self.screenshot()
        self.assertEqual(shot.getpixel((512, 384)), held)
        self.assertIn((150, 150, 150), shot.region(0, self.H - 24, 120, 24))
        self.key(window, "Right")
        self.wait_pixel((512, 384), GREEN if held == RED else RED, timeout=3)
        self.leave(p, window)

    def test_favourite_writes_the_shortcut_and_confirms(self):
        folder = self.picture_dir()
        picture = solid(os.path.join(folder, "beach.bmp"), 64, 64, RED)
        os.utime(picture, (0, time.mktime((2003, 12, 25, 14, 30, 0, 0, 0, -1))))
        p, window = self.start_show(self.base_settings(folder))
        self.wait_pixel((512, 384), RED)
        self.key(window, "f")
        link = os.path.join(self.env["HOME"], "Favorite Pictures", "beach-200312251430.bmp.lnk")
        self.wait_for(lambda: os.path.exists(link), 5, "the favourite shortcut")
        with open(link, "rb") as f:
            data = f.read()
        self.assertEqual(data[:4], b"\x4c\x00\x00\x00")  # a shell link header
        self.assertIn(picture.encode(), data)
        time.sleep(0.3)
        status = self.screenshot().region(0, self.H - 24, 300, 24)
        self.assertIn((150, 150, 150), status)
        self.leave(p, window)

    def test_message_and_caption_positions(self):
        folder = self.picture_dir()
        solid(os.path.join(folder, "dark.bmp"), 1024, 768, (0, 0, 0))
        settings = self.base_settings(folder, Message="1", MsgText="MESSAGE", MsgPlace="1",
                                      TextColor="255255  0", Captions="1", CaptionPlace="5",
                                      CaptionTrans="0", CaptionBackColor="255  0255", CaptionColor="  0255  0")
        p, window = self.start_show(settings)
        self.wait_for(lambda: (255, 0, 255) in self.screenshot().region(self.W - 200, self.H - 40, 200, 40), 10,
                      "the caption box bottom right")
        shot = self.screenshot()
        yellow = [c for c in shot.region(0, 0, 200, 40) if c[0] > 200 and c[1] > 200 and c[2] < 80]
        self.assertTrue(yellow, "the message is drawn at the top left")
        self.assertFalse([c for c in shot.region(self.W - 200, 0, 200, 40) if c != (0, 0, 0)])
        self.assertIn((0, 255, 0), shot.region(self.W - 200, self.H - 40, 200, 40))  # caption letters
        self.assertNotIn((255, 0, 255), shot.region(0, self.H - 40, 200, 40))
        self.leave(p, window)

    def test_frame_transitions_end_on_the_picture_with_its_caption(self):
        # Only the frame effects (Zoom Out, Image Blending): each step shows
        # the next picture through hundreds of whole frames, which the screen
        # canvas sends through two stores; the screen must end on the picture
        # with its caption drawn over it, and stay so on a repaint.
        folder = self.picture_dir()
        for name, colour in (("1.bmp", RED), ("2.bmp", GREEN), ("3.bmp", BLUE)):
            solid(os.path.join(folder, name), 64, 48, colour)
        settings = self.base_settings(folder, Stretch="1", Effects="1", Transitions="0" * 33 + "11",
                                      Captions="1", CaptionPlace="5", CaptionTrans="0",
                                      CaptionBackColor="255  0255", CaptionColor="  0255  0")
        p, window = self.start_show(settings)
        centre = (512, 300)

        def caption_shown():
            return (255, 0, 255) in self.screenshot().region(self.W - 200, self.H - 40, 200, 40)

        for colour in (RED, GREEN, BLUE):
            if colour != RED:
                self.key(window, "Right")  # a key while a transition runs is not taken: wait for each to end
            self.wait_pixel(centre, colour, timeout=15)
            self.wait_for(caption_shown, 15, "the caption box after the transition")
            shot = self.screenshot()
            for xy in ((1, 1), (self.W - 2, 1), (1, self.H - 60), (self.W // 2, self.H // 2)):
                self.assertTrue(close(shot.getpixel(xy), colour), (xy, shot.getpixel(xy)))
        self.leave(p, window)

    def test_manual_show_steps_and_ends_on_escape(self):
        folder = self.picture_dir()
        for name, colour in (("1.bmp", RED), ("2.bmp", GREEN), ("3.bmp", BLUE)):
            solid(os.path.join(folder, name), 64, 64, colour)
        p, window = self.start_show(self.base_settings(folder, Duration="0"))
        centre = (512, 384)
        self.wait_pixel(centre, RED)
        import subprocess
        subprocess.run(["xdotool", "mousemove", "100", "100", "click", "3"], timeout=10)
        self.wait_pixel(centre, GREEN, timeout=3)
        self.key(window, "Down")
        self.wait_pixel(centre, BLUE, timeout=3)
        subprocess.run(["xdotool", "click", "1"], timeout=10)
        self.wait_pixel(centre, GREEN, timeout=3)
        # Mouse travel never ends a manual show.
        subprocess.run(["xdotool", "mousemove", "900", "700"], timeout=10)
        subprocess.run(["xdotool", "mousemove", "10", "10"], timeout=10)
        time.sleep(0.5)
        self.assertIsNone(p.poll())
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(self.settings()["LastImage"], os.path.join(folder, "2.bmp"))

    def test_close_message_ends_a_running_show_at_once(self):
        folder = self.picture_dir()
        solid(os.path.join(folder, "1.bmp"), 64, 64, RED)
        p, window = self.start_show(self.base_settings(folder, LastImage="/before.jpg"))
        self.wait_pixel((512, 384), RED)
        import subprocess
        from harness import TOOLS
        subprocess.run([os.path.join(TOOLS, "orvanta-close"), window], check=True, timeout=10)
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(self.settings()["LastImage"], "/before.jpg")

    def test_damaged_pictures_only_behave_like_no_pictures(self):
        folder = self.picture_dir()
        for name in ("a.png", "b.bmp", "c.jpg"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"not a picture at all" * 10)
        p, window = self.start_show(self.base_settings(folder, Duration="1"))
        time.sleep(1.5)
        self.assertIsNone(p.poll())
        self.assertEqual(self.screenshot().getextrema(), ((0, 0), (0, 0), (0, 0)))
        self.key(window, "space")
        box = self.window_of(p, "^Orvanta Program Error$")
        self.key(box, "Return")
        self.assertEqual(self.wait_exit(p), 0)

    def caption_box(self, scale):
        """The caption's box (x, y, w, h) on screen in a show run with that
        QT_SCALE_FACTOR: its opaque background is filled over exactly the
        measured text box."""
        folder = self.picture_dir()
        solid(os.path.join(folder, "harbour at dawn.bmp"), 64, 48, RED)
        self.env["QT_SCALE_FACTOR"] = scale
        settings = self.base_settings(folder, Stretch="1", Captions="1", CaptionPlace="4", CaptionTrans="0",
                                      CaptionBackColor="255255  0", CaptionColor="  0  0  0")
        p, window = self.start_show(settings)
        yellow = (255, 255, 0)
        self.wait_for(lambda: yellow in self.screenshot().region(0, self.H - 2, self.W, 1), 10, "the caption")
        shot = self.screenshot()
        xs, ys = [], []
        for y in range(self.H - 120, self.H):
            for x in range(self.W):
                if shot.getpixel((x, y)) == yellow:
                    xs.append(x)
                    ys.append(y)
        self.leave(p, window)
        return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1

    def test_the_caption_has_the_screens_size_at_every_scale(self):
        # At scale 2 every logical pixel is two device pixels: the caption is
        # twice as large on screen, as the dialog's texts are.
        x1, y1, w1, h1 = self.caption_box("1")
        for scale in ("2",):
            with self.subTest(scale=scale):
                x, y, w, h = self.caption_box(scale)
                factor = float(scale)
                # Within the rounding of the font's metrics at each size
                # (14 points: 22 pixels high at scale 1, 41 at scale 2).
                self.assertAlmostEqual(h, factor * h1, delta=0.1 * factor * h1, msg=(w1, h1, w, h))
                self.assertAlmostEqual(w, factor * w1, delta=0.06 * factor * w1, msg=(w1, h1, w, h))
                # Still bottom middle of the whole screen.
                self.assertEqual(y + h, self.H)
                self.assertAlmostEqual(x + w / 2, self.W / 2, delta=1)


import pwd  # noqa: E402 (used by the class below only)
import shutil  # noqa: E402
import subprocess  # noqa: E402

from harness import bare_session  # noqa: E402


class ReducedMotion(ShowTest):
    """A desktop that asks for reduced motion, through a real dconf on a
    private D-Bus session bus (run as an ordinary account, as dconf may refuse
    root's home) or KDE's kdeglobals: pictures come through the cross-blend,
    or at once when the blend is switched off."""

    USER = "nobody"
    W, H = SlideShow.W, SlideShow.H
    base_settings = SlideShow.base_settings
    start_show = SlideShow.start_show
    leave = SlideShow.leave

    def setUp(self):
        super().setUp()
        for tool in ("dbus-daemon", "gsettings", "dconf"):
            if not shutil.which(tool):
                self.skipTest(tool + " is not installed (see scripts/install-deps.sh)")
        if os.getuid() != 0:
            self.skipTest("needs root to run the desktop session as %s" % self.USER)
        account = pwd.getpwnam(self.USER)
        for root, dirs, files in os.walk(self.dir):
            for name in dirs + files:
                os.chown(os.path.join(root, name), account.pw_uid, account.pw_gid)
        os.chown(self.dir, account.pw_uid, account.pw_gid)
        self.env = bare_session(self.env)
        self.env.update({"USER": self.USER, "LOGNAME": self.USER, "GSETTINGS_BACKEND": "dconf"})
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], user=self.USER,
                                    stdout=subprocess.PIPE, text=True, env=self.env, cwd=self.dir)
        self.procs.append(self.bus)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.stdout.readline().strip()
        self.timing = os.path.join(self.dir, "effects.log")
        self.env["ORVANTA_TIMING_LOG"] = self.timing

    def tearDown(self):
        if getattr(self, "bus", None):
            self.bus.terminate()
            self.bus.wait(timeout=10)
            self.bus.stdout.close()
        super().tearDown()

    def as_user(self, *command):
        return subprocess.run(list(command), env=self.env, user=self.USER, capture_output=True, text=True,
                              timeout=30, cwd=self.dir)

    def start(self, *args):
        if getattr(self, "log", None):
            self.log.close()
        self.log = open(os.path.join(self.dir, "orvanta.log"), "w+b")
        p = subprocess.Popen([os.environ["ORVANTA_BIN"], *args], env=self.env, stdout=self.log,
                             stderr=subprocess.STDOUT, user=self.USER, cwd=self.dir)
        self.procs.append(p)
        return p

    def write_settings(self, values):
        super().write_settings(values)
        account = pwd.getpwnam(self.USER)
        for path in (os.path.dirname(self.registry_path), self.registry_path):
            os.chown(path, account.pw_uid, account.pw_gid)

    def effects(self):
        try:
            with open(self.timing) as f:
                return [int(line.split()[1]) for line in f if line.startswith("effect ")]
        except FileNotFoundError:
            return []

    def test_the_blend_or_nothing_when_the_desktop_asks_for_it(self):
        folder = self.picture_dir()
        for name, colour in (("1.bmp", RED), ("2.bmp", GREEN), ("3.bmp", BLUE)):
            solid(os.path.join(folder, name), 64, 48, colour)
        kdeglobals = os.path.join(self.env["XDG_CONFIG_HOME"], "kdeglobals")
        blend_off = "1" * 34 + "0"
        rows = (
            # (GNOME's enable-animations, kdeglobals text or None, Transitions, effects expected)
            ("false", None, "1" * 35, {35}),
            ("false", None, blend_off, {0}),
            ("true", "[KDE]\nAnimationDurationFactor=0\n", "1" * 35, {35}),
            ("true", "[KDE]\nAnimationDurationFactor=1\n", "1" * 35, None),  # all effects take turns
        )
        for animations, kde, transitions, expected in rows:
            with self.subTest(animations=animations, kde=kde, transitions=transitions):
                r = self.as_user("gsettings", "set", "org.gnome.desktop.interface", "enable-animations", animations)
                self.assertEqual(r.returncode, 0, r.stderr)
                if kde is None:
                    if os.path.exists(kdeglobals):
                        os.remove(kdeglobals)
                else:
                    with open(kdeglobals, "w") as f:
                        f.write(kde)
                if os.path.exists(self.timing):
                    os.remove(self.timing)
                settings = self.base_settings(folder, Stretch="1", Effects="1", Delay="5", Duration="1",
                                              Transitions=transitions)
                p, window = self.start_show(settings)
                blended = []
                if expected == {35}:
                    # A frame of the blend from the sky-blue background to red.
                    def blending():
                        r_, g_, b_ = self.screenshot().getpixel((512, 384))
                        blended.append((r_, g_, b_))
                        return 30 < r_ < 225 and 30 < b_ < 225
                    self.wait_for(blending, 15, "a blended frame")
                self.wait_for(lambda: len(self.effects()) >= 3, 30, "three pictures")
                self.leave(p, window)
                got = self.effects()
                if expected is None:
                    self.assertGreater(len(set(got)), 1, got)
                else:
                    self.assertEqual(set(got), expected, got)


if __name__ == "__main__":
    unittest.main()

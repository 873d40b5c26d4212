"""Two monitors end to end, on an X server of this file's own (a 1824 x 768
screen cut into two RandR monitors, a 1024 x 768 and an 800 x 600 one): the
show on the primary monitor with its transition and caption, the picture
fitted anew on the other one after the transition, and the mouse measured
across both."""
import os
import shutil
import subprocess
import time
import unittest

from harness import ShowTest, xdotool
from pictures import marked

RED, GREEN = (255, 0, 0), (0, 255, 0)
SKY, YELLOW = (0, 128, 255), (255, 255, 0)
SCREEN = (1824, 768)
LEFT, RIGHT = (0, 0, 1024, 768), (1024, 0, 800, 600)


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def xrandr(*args):
    return subprocess.run(["xrandr", *args], capture_output=True, text=True, timeout=20)


def set_monitors(primary, other):
    """The two monitors, `primary` marked primary; the first takes over the
    server's one output, so that no monitor of the whole screen is left."""
    for name in ("PRIMARY", "OTHER"):
        xrandr("--delmonitor", name)
    for name, (x, y, w, h), output in (("PRIMARY", primary, "screen"), ("OTHER", other, "none")):
        flag = "*" if name == "PRIMARY" else ""
        r = xrandr("--setmonitor", "%s%s" % (flag, name), "%d/%dx%d/%d+%d+%d" % (w, w // 4, h, h // 4, x, y), output)
        if r.returncode != 0:
            raise unittest.SkipTest("xrandr cannot set monitors here: " + r.stderr.strip())


def box_of(shot, colour, area):
    """Bounding box (x, y, w, h) of the pixels of that colour inside area."""
    ax, ay, aw, ah = area
    xs, ys = [], []
    for y in range(ay, ay + ah, 2):
        for x in range(ax, ax + aw, 2):
            if close(shot.getpixel((x, y)), colour):
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) - min(xs) + 2, max(ys) - min(ys) + 2) if xs else None


class TwoMonitors(ShowTest):
    @classmethod
    def setUpClass(cls):
        cls.saved_display = os.environ.get("DISPLAY")
        if not os.environ.get("ORVANTA_BIN") or not shutil.which("Xvfb") or not shutil.which("xrandr"):
            raise unittest.SkipTest("needs ORVANTA_BIN, Xvfb and xrandr")
        read, write = os.pipe()
        cls.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % SCREEN,
                                     "-nolisten", "tcp", "-noreset"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            cls.xvfb.kill()
            cls.xvfb.wait()
            raise unittest.SkipTest("Xvfb did not start")
        # The harness's tools (xwd, xdotool) and the program all use this server.
        os.environ["DISPLAY"] = ":" + number

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.terminate()
        cls.xvfb.wait(timeout=10)
        if cls.saved_display is None:
            os.environ.pop("DISPLAY", None)
        else:
            os.environ["DISPLAY"] = cls.saved_display

    def settings_for(self, folder, **values):
        settings = {"Duration": "30", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0",
                    "Splash": "0", "Effects": "1", "Transitions": "1" + "0" * 34, "Delay": "20",
                    "BackColor": "  0128255", "Proportional": "1", "PropLimit": "0", "Captions": "1",
                    "CaptionPlace": "4", "CaptionTrans": "0", "CaptionBackColor": "255255  0",
                    "CaptionColor": "  0  0  0"}
        settings.update(values)
        return settings

    def test_picture_on_both_caption_on_the_primary_mouse_across_both(self):
        folder = self.picture_dir()
        marked(os.path.join(folder, "a.bmp"), 200, 100, RED, GREEN, mark_size=20)
        # (primary, other, where the picture is fitted on each: 2:1 into
        # 1024 x 768 and into 800 x 600, centred)
        rows = ((LEFT, RIGHT, (0, 128, 1024, 512), (1024, 100, 800, 400)),
                (RIGHT, LEFT, (1024, 100, 800, 400), (0, 128, 1024, 512)))
        for primary, other, on_primary, on_other in rows:
            with self.subTest(primary=primary):
                set_monitors(primary, other)
                self.write_settings(self.settings_for(folder))
                p = self.start("/s")
                self.window_of(p)
                # During the wipe on the primary, the other monitor does not show
                # the picture yet (its window may not even be drawn on a busy
                # machine): it gets the picture after the transition.
                px, py, pw, ph = on_primary
                mid = (px + pw // 2, py + ph // 2)
                def wiping():
                    shot = self.screenshot()
                    left, right = shot.getpixel((px + 2, mid[1])), shot.getpixel((px + pw - 3, mid[1]))
                    return shot if close(left, RED) and not close(right, RED) else None

                shot = self.wait_for(wiping, 10, "the wipe under way")
                ox, oy, ow, oh = on_other
                self.assertFalse(close(shot.getpixel((ox + ow // 2, oy + oh // 2)), RED), "the other monitor")
                bottom_row = (primary[0], primary[1] + primary[3] - 2, primary[2], 1)
                self.wait_for(lambda: YELLOW in self.screenshot().region(*bottom_row), 15, "the caption")
                shot = self.screenshot()
                # The picture fitted to each monitor, its mark at the top left.
                for (x, y, w, h) in (on_primary, on_other):
                    self.assertEqual(box_of(shot, RED, (x, y, w, h)), (x, y, w, h))
                    self.assertTrue(close(shot.getpixel((x + 5, y + 5)), GREEN), (x, y))
                    self.assertTrue(close(shot.getpixel((x + w // 2, y - 2)), SKY), (x, y))
                # The caption bottom middle of the primary, none on the other.
                caption = box_of(shot, YELLOW, primary)
                self.assertIsNotNone(caption)
                self.assertEqual(caption[1] + caption[3], primary[1] + primary[3])
                self.assertAlmostEqual(caption[0] + caption[2] / 2, primary[0] + primary[2] / 2, delta=3)
                self.assertIsNone(box_of(shot, YELLOW, other))
                # The mouse: its first movement is ignored, the second is the
                # origin; from there, crossing onto the other monitor within
                # 75 pixels keeps the show, going further ends it.
                edge = primary[0] + primary[2] - 1 if primary[0] == 0 else primary[0]
                step = 1 if primary[0] == 0 else -1
                for dx in (-30, -20, 10, 40, 54):
                    xdotool("mousemove", str(edge + step * dx), "300")
                    time.sleep(0.3)
                    self.assertIsNone(p.poll(), "ended %d pixels from where the mouse started" % (dx + 20))
                xdotool("mousemove", str(edge + step * 90), "300")
                self.assertEqual(self.wait_exit(p, timeout=5), 0)


if __name__ == "__main__":
    unittest.main()

"""The show under pressure, end to end: step keys held over large pictures,
special files among the pictures, the notice during a slow list build, Qt's
options in the command line, and repaints that must keep the overlays."""
import os
import signal
import subprocess
import time
import unittest

from harness import ShowTest, TOOLS, xdotool

RED, GREEN, BLUE, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)
W, H = 1024, 768


def close(a, b, tolerance=24):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def magick(*args):
    subprocess.run(["convert", *args], check=True, timeout=60)


def large_picture(path, colour):
    """A 2400 x 1800 picture: the top half one colour, the bottom half noise,
    so that it takes its time to decode and its colour is known."""
    name = "rgb(%d,%d,%d)" % colour
    magick("-size", "2400x900", "xc:" + name, "(", "-size", "2400x900", "xc:", "+noise", "Random", ")",
           "-append", "-quality", "92", path)
    return path


def shortcut(target, link):
    subprocess.run([os.path.join(TOOLS, "orvanta-shortcut"), target, link], check=True, timeout=10)
    return link


def raw_shortcut(link, target):
    """A shortcut holding only a relative-path string, as a Windows shortcut to
    "C:\\x.jpg" or to a file beside it may."""
    header = bytearray(0x4C)
    header[0] = 0x4C
    header[4:20] = bytes((0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46))
    header[0x14] = 0x08  # has a relative path
    header[0x18] = 0x20
    data = target.encode()
    with open(link, "wb") as f:
        f.write(bytes(header) + len(data).to_bytes(2, "little") + data + bytes(4))


class ShowSafety(ShowTest):
    def settings_for(self, folder, **values):
        settings = {"Duration": "30", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0",
                    "AlphaSort": "1", "Splash": "0", "Effects": "0", "Delay": "0", "AlphaMemory": "0",
                    "Stretch": "1"}
        settings.update(values)
        return settings

    def start_show(self, settings, **kwargs):
        self.write_settings(settings)
        p = self.start("/s", **kwargs)
        return p, self.window_of(p)

    def hold(self, window, key, presses=60):
        xdotool("windowfocus", "--sync", window, check=False)
        xdotool("key", "--clearmodifiers", "--delay", "1", "--repeat", str(presses), key)

    def stopped_screenshot(self, p):
        """The screen while the program is stopped, so that what it shows
        cannot change during the capture."""
        p.send_signal(signal.SIGSTOP)
        try:
            return self.screenshot()
        finally:
            p.send_signal(signal.SIGCONT)

    def test_held_step_keys_over_large_pictures(self):
        # Each Left or Right used to start a decode inside the running one, into
        # the same bitmap: the show died with signal 11 within a few rounds.
        folder = self.picture_dir()
        colours = {"1.jpg": RED, "2.png": GREEN, "3.jpg": BLUE, "4.png": YELLOW, "5.jpg": (255, 0, 255),
                   "6.jpg": (0, 255, 255)}
        for name, colour in colours.items():
            large_picture(os.path.join(folder, name), colour)
        p, window = self.start_show(self.settings_for(folder))
        self.wait_for(lambda: close(self.screenshot().getpixel((W // 2, H // 4)), RED), 20, "the first picture")
        for key in ("Left", "Right", "Left", "Left", "Right", "Right"):
            self.hold(window, key)
            self.assertIsNone(p.poll(), "the show died holding %s (status %s)" % (key, p.returncode))
            time.sleep(0.3)

        # Once the keys have been worked off, a picture of the folder is on screen.
        def settled():
            first = self.screenshot().getpixel((W // 2, H // 4))
            time.sleep(1.5)
            second = self.screenshot().getpixel((W // 2, H // 4))
            return first == second and any(close(second, c) for c in colours.values()) and second
        shown = self.wait_for(settled, 30, "a picture of the folder")
        self.assertIsNone(p.poll())
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        last = os.path.basename(self.settings()["LastImage"])
        self.assertTrue(close(shown, colours[last]), (last, shown))

    def test_special_files_among_the_pictures(self):
        # FIFOs named like pictures, and a shortcut to one, are refused at once:
        # opening one used to block the show in open() for good.
        folder = self.picture_dir()
        elsewhere = self.picture_dir("elsewhere")
        for name in ("x.jpg", "x.png", "x.bmp"):
            os.mkfifo(os.path.join(folder, name))
        os.mkfifo(os.path.join(elsewhere, "pipe.jpg"))
        shortcut(os.path.join(elsewhere, "pipe.jpg"), os.path.join(folder, "pipe.lnk"))
        magick("-size", "64x64", "xc:red", "BMP3:" + os.path.join(folder, "a.bmp"))
        magick("-size", "64x64", "xc:lime", os.path.join(folder, "b.png"))
        # Shortcuts to a Windows path and to a relative one are not listed: the
        # relative one would otherwise open the yellow picture in the working
        # directory.
        workdir = self.picture_dir("workdir")
        magick("-size", "64x64", "xc:yellow", "BMP3:" + os.path.join(workdir, "here.bmp"))
        raw_shortcut(os.path.join(folder, "windows.lnk"), "C:\\x.jpg")
        raw_shortcut(os.path.join(folder, "relative.lnk"), "here.bmp")

        p, window = self.start_show(self.settings_for(folder, Duration="1"), cwd=workdir)
        # Two seconds a cycle (the refused entries take no time): watch three.
        seen = set()
        deadline = time.time() + 6
        while time.time() < deadline:
            pixel = self.screenshot().getpixel((W // 2, H // 2))
            for name, colour in (("red", RED), ("green", GREEN), ("yellow", YELLOW)):
                if close(pixel, colour, 3):
                    seen.add(name)
            time.sleep(0.2)
        self.assertEqual(seen, {"red", "green"})
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        self.assertIn(os.path.basename(self.settings()["LastImage"]), ("a.bmp", "b.png"))

    def test_loading_notice_stays_during_a_slow_list_build(self):
        # Sixty thousand shortcuts (hard links of one) make the list build last;
        # the notice has to be on screen all that time, then the splash.
        folder = self.picture_dir()
        real = self.picture_dir("real")
        magick("-size", "64x64", "xc:rgb(0,128,255)", "BMP3:" + os.path.join(real, "a.bmp"))
        first = shortcut(os.path.join(real, "a.bmp"), os.path.join(folder, "s0.lnk"))
        for i in range(1, 60000):
            os.link(first, os.path.join(folder, "s%d.lnk" % i))
        p, _ = self.start_show(self.settings_for(folder, Splash="1"))
        notice = splash = False
        deadline = time.time() + 30
        while time.time() < deadline and not splash:
            shot = self.stopped_screenshot(p)
            centre = shot.getpixel((W // 2, H // 2))
            if close(centre, (0, 128, 255), 3):
                break  # the picture: too late for the notice or the splash
            # "Loading pictures..." in white at (2h, H - 2h), h the font's height.
            text = [c for c in shot.region(0, H - 80, 400, 80) if min(c) > 200]
            if text and not notice:
                notice = True
                self.assertEqual(shot.getpixel((W // 2, H // 2)), (0, 0, 0))
            # The splash banner, 310 x 44, centred: blue at its left end.
            if shot.getpixel((W // 2 - 150, H // 2)) != (0, 0, 0) and not text:
                splash = True
        self.assertTrue(notice, "no loading notice while the list was built")
        self.assertTrue(splash, "no splash after the list was built")
        self.wait_for(lambda: close(self.screenshot().getpixel((W // 2, H // 2)), (0, 128, 255), 3), 30,
                      "the picture")
        p.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(p), 0)

    def test_qt_options_are_argument_text(self):
        # Qt would take these out of the command line and leave "/s": they are
        # part of the argument text, which is then no show but an unknown argument.
        for args in (["-reverse", "/s"], ["-session", "x", "/s"], ["-platform", "offscreen", "/s"]):
            with self.subTest(args=args):
                self.assertEqual(self.run_to_end(*args), 2)
        self.assertEqual(self.settings(), {})

    def test_repaint_keeps_caption_message_and_pause(self):
        folder = self.picture_dir()
        magick("-size", "1024x768", "xc:black", "BMP3:" + os.path.join(folder, "dark.bmp"))
        settings = self.settings_for(folder, Message="1", MsgText="MESSAGE", MsgPlace="1", TextColor="255255  0",
                                     Captions="1", CaptionPlace="5", CaptionTrans="0",
                                     CaptionBackColor="255  0255", CaptionColor="  0255  0")
        p, window = self.start_show(settings)

        def overlays(shot):
            caption = (255, 0, 255) in shot.region(W - 200, H - 40, 200, 40)
            message = any(c[0] > 200 and c[1] > 200 and c[2] < 80 for c in shot.region(0, 0, 200, 40))
            pause = (150, 150, 150) in shot.region(0, H - 24, 120, 24)
            return caption, message, pause
        self.wait_for(lambda: overlays(self.screenshot())[:2] == (True, True), 10, "caption and message")
        self.key(window, "p")
        self.wait_for(lambda: overlays(self.screenshot()) == (True, True, True), 5, "the pause text")
        # A window passing over the show: the screen is painted over, then
        # exposed again, and the show has to draw it back as it was.
        for colour in ("-black", "-white"):
            subprocess.run(["xrefresh", colour], check=True, timeout=10)
            time.sleep(0.5)
            self.assertEqual(overlays(self.screenshot()), (True, True, True), colour)
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)


if __name__ == "__main__":
    unittest.main()

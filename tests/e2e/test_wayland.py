"""The show on a Wayland compositor (a headless sway of its own, run as an
unprivileged account): the picture, its caption and a transition read back
with grim, the cursor hidden, keys and the mouse through virtual devices that
stay attached, a copy on a second output, music, the dialog, the end on every
termination signal and when the compositor goes away, and no X11 connection
made on the way."""
import glob
import math
import os
import signal
import socket
import struct
import subprocess
import time
import unittest
import wave

from harness import BIN, KEY, escape, parse_registry, wait_until
from pictures import solid
from wayland import Sway

W, H = 800, 600
RED, GREEN, BLUE, SKY = (255, 0, 0), (0, 255, 0), (0, 0, 255), (0, 128, 255)
MAGENTA = (255, 0, 255)


def read(path):
    with open(path) as f:
        return f.read()


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class WaylandShow(unittest.TestCase):
    def setUp(self):
        if not BIN:
            self.skipTest("needs ORVANTA_BIN")
        self.open_sway()

    def open_sway(self, *config_lines):
        self.sway = Sway(W, H, config_lines)
        self.addCleanup(self.sway.close)
        self.sway.require_readable(BIN)
        self.pictures = os.path.join(self.sway.dir, "pictures")
        os.mkdir(self.pictures)
        for name, colour in (("1.bmp", RED), ("2.bmp", GREEN), ("3.bmp", BLUE)):
            solid(os.path.join(self.pictures, name), 64, 48, colour)
        self.sway.give(self.pictures)
        self.timing = os.path.join(self.sway.dir, "timing.log")
        self.registry_path = os.path.join(self.sway.home, ".config", "orvanta", "HKEY_CURRENT_USER.reg")

    # --- settings and the program ---
    def write_settings(self, **values):
        settings = {"Duration": "30", "Count": "1", "ImageDir0": self.pictures, "DirSet0": "1", "Randomize": "0",
                    "AlphaSort": "1", "Splash": "0", "Effects": "0", "Delay": "0", "AlphaMemory": "0",
                    "BackColor": "  0128255", "Proportional": "0", "Stretch": "1"}
        settings.update(values)
        os.makedirs(os.path.dirname(self.registry_path), exist_ok=True)
        lines = ["REGEDIT4", "", "[" + KEY + "]", '@="(value not set)"']
        lines += ['"%s"="%s"' % (escape(k), escape(str(v))) for k, v in settings.items()]
        with open(self.registry_path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        self.sway.give(os.path.join(self.sway.home, ".config"))

    def settings(self):
        with open(self.registry_path, encoding="utf-8") as f:
            return parse_registry(f.read()).get(KEY, {})

    def start(self, *args, env=None):
        self.log = open(os.path.join(self.sway.dir, "orvanta.log"), "w+b")
        self.addCleanup(self.log.close)
        env = dict(env or self.sway.env, ORVANTA_TIMING_LOG=self.timing)
        return self.sway.popen(BIN, *args, env=env, stdout=self.log, stderr=subprocess.STDOUT)

    def output_text(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def start_show(self, **values):
        self.write_settings(**values)
        p = self.start("/s")
        self.sway.window_of(p)
        return p

    def wait_for(self, predicate, timeout=10, what="condition"):
        return wait_until(predicate, timeout, what, self)

    def wait_colour(self, colour, output="HEADLESS-1", xy=(W // 2, H // 2)):
        self.wait_for(lambda: close(self.sway.screenshot(output).getpixel(xy), colour), 15,
                      "%s at %s on %s" % (colour, xy, output))

    def wait_end(self, p, timeout=10):
        try:
            return p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the show did not end within %ss: %s" % (timeout, self.output_text()[-1000:]))

    def shows_left(self):
        return [pid for pid in self.sway.leftovers() if "orvanta" in read("/proc/%d/comm" % pid)]

    def effects(self):
        try:
            with open(self.timing) as f:
                return [line for line in f if line.startswith("effect ")]
        except FileNotFoundError:
            return []

    def travel(self, p, devices, start, layout):
        """Moves the pointer right from `start` (in a layout of that size): the
        first motion is not counted, the second is where travel is measured
        from; 74 pixels keep the show, 110 end it."""
        devices.moveto(*start, *layout)
        devices.move(1, 0)
        for _ in range(37):
            devices.move(2, 0)
        time.sleep(0.5)
        self.assertIsNone(p.poll(), "74 pixels of travel end no show")
        devices.move(36, 0)
        self.assertEqual(self.wait_end(p), 0)

    # --- the tests ---
    def test_picture_caption_transition_and_no_cursor(self):
        devices = self.sway.input()
        pointer = (W // 2 + 100, H // 2 + 50)
        devices.moveto(*pointer, W, H)
        around = (pointer[0] - 2, pointer[1] - 2, 16, 20)
        # The compositor draws its arrow there while nothing hides it.
        self.assertGreater(len(set(self.sway.screenshot().region(*around))), 1, "no cursor on the bare desktop")
        p = self.start_show(Effects="1", Delay="10", Transitions="1" + "0" * 34, Captions="1", CaptionPlace="5",
                            CaptionTrans="0", CaptionBackColor="255  0255", CaptionColor="  0255  0", IgnoreMouse="1")
        self.wait_colour(RED)
        self.wait_for(lambda: MAGENTA in self.sway.screenshot().region(W - 200, H - 40, 200, 40), 10,
                      "the caption box at the bottom right")
        self.assertEqual(set(self.sway.screenshot().region(*around)), {RED}, "the show hides the cursor")
        devices.key("Right")
        self.wait_colour(GREEN, xy=(2, 2))
        self.wait_colour(GREEN, xy=(W - 3, H - 60))
        self.assertTrue(self.effects(), "the step came through a transition")
        devices.key("a")
        self.assertEqual(self.wait_end(p), 0)
        self.assertEqual(self.sway.windows(), [])

    def test_keys_pause_step_and_the_mouse_rule(self):
        devices = self.sway.input()
        p = self.start_show(Duration="2")
        self.wait_colour(RED)
        devices.key("p")  # paused: the two seconds pass and the picture stays
        time.sleep(3)
        self.assertTrue(close(self.sway.screenshot().getpixel((W // 2, H // 2)), RED))
        devices.key("Right")
        self.wait_colour(GREEN)
        devices.key("f")  # a favourite: its shortcut, and the notice drawn over the picture
        favourites = os.path.join(self.sway.home, "Favorite Pictures")
        self.wait_for(lambda: glob.glob(os.path.join(favourites, "2-*.bmp.lnk")), 5, "the favourite shortcut")
        self.wait_for(lambda: (150, 150, 150) in self.sway.screenshot().region(0, H - 24, 300, 24), 5, "the notice")
        self.assertTrue(close(self.sway.screenshot().getpixel((W // 2, H // 2)), GREEN))
        self.travel(p, devices, (100, 300), (W, H))

    def test_a_copy_on_the_second_output_and_the_show_on_the_first(self):
        other = self.sway.create_output(640, 480)
        devices = self.sway.input()
        p = self.start_show(Proportional="0", Captions="1", CaptionPlace="5", CaptionTrans="0",
                            CaptionBackColor="255  0255", CaptionColor="  0255  0")
        self.wait_colour(RED)
        self.wait_colour(RED, other, (320, 240))
        self.wait_colour(RED, other, (2, 2))
        second = self.sway.screenshot(other)
        self.assertNotIn(MAGENTA, second.region(640 - 200, 480 - 40, 200, 40), "the caption is the primary's only")
        devices.key("Right")
        self.wait_colour(GREEN)
        self.wait_colour(GREEN, other, (320, 240))
        self.assertEqual(len(self.sway.windows()), 2)
        # The mouse's travel counts across both outputs: from the first
        # output's right edge into the second.
        edge = self.sway.outputs()[other]["rect"]["x"]
        self.travel(p, devices, (edge - 40, 300), (edge + 640, H))

    def test_music_plays_during_the_show_and_stops_with_it(self):
        music = os.path.join(self.sway.dir, "music")
        os.mkdir(music)
        with wave.open(os.path.join(music, "tone.wav"), "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(22050)
            w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(i / 8))) for i in range(22050 * 10)))
        self.sway.give(music)
        recording = os.path.join(self.sway.dir, "music.raw")
        env = dict(self.sway.env, ORVANTA_AUDIO_SINK="audioconvert ! audioresample ! filesink location=" + recording)
        self.write_settings(MusicOption="1", NumMusicDirs="1", MusicDir0=music, MusicDirSet0="1")
        devices = self.sway.input()
        p = self.start("/s", env=env)
        self.sway.window_of(p)
        self.wait_for(lambda: os.path.exists(recording) and os.path.getsize(recording) > 0, 15, "the music")
        devices.key("a")
        self.assertEqual(self.wait_end(p), 0)
        played = os.path.getsize(recording)
        time.sleep(0.5)
        self.assertEqual(os.path.getsize(recording), played, "no music after the show")

    def test_every_termination_signal_ends_the_show_in_every_state(self):
        big = os.path.join(self.pictures, "0-big.bmp")
        solid(big, 9000, 6000, BLUE)  # its decode is under way while the signal comes
        self.sway.give(self.pictures)
        rows = [("during the first decode", signal.SIGTERM, {}, 0.3, False),
                ("during a transition", signal.SIGTERM, {"Effects": "1", "Delay": "10", "Duration": "1"}, 4, False),
                ("interrupted", signal.SIGINT, {}, 2, False),
                ("hung up", signal.SIGHUP, {}, 2, False)]
        # Once a keyboard came after the show started, five times over: the
        # end used to hang now and then inside the display connection.
        rows += [("after a late keyboard %d" % i, signal.SIGTERM, {}, 1.5, True) for i in range(5)]
        for what, sig, values, after, late_keyboard in rows:
            with self.subTest(what):
                p = self.start_show(**values)
                time.sleep(after)
                if late_keyboard:
                    devices = self.sway.input()
                    devices.key("Left")
                    devices.close()
                self.assertIsNone(p.poll(), "the show ran until the signal")
                os.kill(self.sway.program_pid(p), sig)
                self.wait_end(p)
                self.wait_for(lambda: not self.shows_left(), 5, "no orvanta process left")

    def test_the_compositor_going_away_ends_the_show(self):
        p = self.start_show()
        self.wait_colour(RED)
        os.kill(self.sway.program_pid(self.sway.sway), signal.SIGKILL)
        self.wait_end(p)
        self.wait_for(lambda: not self.shows_left(), 5, "no orvanta process left")

    def test_the_dialog_opens_and_ok_stores(self):
        devices = self.sway.input()
        self.write_settings(Duration="33")
        p = self.start("/c")
        window = self.sway.window_of(p)
        self.assertTrue(window["focused"])
        devices.key("Return")  # OK is the default button
        self.assertEqual(self.wait_end(p), 0)
        self.assertEqual(self.settings()["Duration"], "33")
        self.assertIn("RanLocDisp", self.settings())

    def test_the_x11_path_under_xwayland(self):
        self.sway.close()
        self.open_sway("xwayland enable")
        # sway hands its X display to what it starts.
        where = os.path.join(self.sway.dir, "display")
        self.sway.swaymsg("exec", "echo $DISPLAY > " + where)
        display = self.wait_for(lambda: os.path.exists(where) and read(where).strip(), 20, "Xwayland")
        devices = self.sway.input()
        self.write_settings()
        p = self.start("/s", env=dict(self.sway.env, QT_QPA_PLATFORM="xcb", DISPLAY=display))
        window = self.sway.window_of(p)
        self.assertEqual(window.get("shell"), "xwayland")
        self.wait_colour(RED)
        devices.key("Right")
        self.wait_colour(GREEN)
        devices.key("a")
        self.assertEqual(self.wait_end(p), 0)

    def test_no_x11_connection_and_the_x11_only_modes_refused(self):
        # An X display named beside the Wayland one, that only counts who
        # connects to it: X libraries try the display's abstract socket first.
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.addCleanup(listener.close)
        for number in range(170, 200):
            try:
                listener.bind("\0/tmp/.X11-unix/X%d" % number)
                break
            except OSError:
                continue
        listener.listen(8)
        listener.setblocking(False)
        env = dict(self.sway.env, DISPLAY=":%d" % number)
        devices = self.sway.input()
        self.write_settings(WallpaperLast="1")
        p = self.start("/s", env=env)
        self.sway.window_of(p)
        self.wait_colour(RED)
        devices.key("Right")
        self.wait_colour(GREEN)
        devices.key("a")
        self.assertEqual(self.wait_end(p), 0)
        for args, words in ((("/p", "1234"), "preview"), (("--window-id", "0x400001"), "display mode")):
            with self.subTest(args[0]):
                r = self.sway.run(BIN, *args, env=env)
                self.assertNotEqual(r.returncode, 0)
                lines = r.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertIn(words, lines[0])
                self.assertIn("Wayland", lines[0])
        with self.assertRaises(BlockingIOError):
            listener.accept()


if __name__ == "__main__":
    unittest.main()

"""Start-up, run modes and the ways a run ends, with the real program."""
import os
import signal
import subprocess
import time
import unittest

from harness import KEY, ShowTest, TOOLS

class FirstRun(ShowTest):
    def test_show_writes_every_default_and_asks_on_leaving(self):
        p = self.start("/s")
        window = self.window_of(p)
        values = self.wait_for(lambda: self.settings().get("RanLocDisp") and self.settings(), what="the settings")
        expected = {
            "": "(value not set)", "Duration": "20", "Count": "0", "Randomize": "1", "AlphaSort": "0",
            "DateSort": "0", "DateRevSort": "0", "AlphaMemory": "1", "LastImage": "", "Stretch": "0",
            "Proportional": "1", "PropLimit": "0", "Tiled": "0", "Effects": "1", "Delay": "10", "Message": "0",
            "MsgText": "Place your message here...", "MsgPlace": "5", "Splash": "1", "IgnoreMouse": "0",
            "WallpaperLast": "0", "Transitions": "1" * 35, "Shrink": "0", "TextFont": "14.Times New Roman.Bold",
            "TextColor": "255255255", "Captions": "0", "CaptionPlace": "4", "CaptionDate": "0",
            "CaptionFullPath": "0", "CaptionFont": "14.Times New Roman.Bold", "CaptionColor": "255255255",
            "BackColor": "  0  0  0", "CaptionTrans": "1", "CaptionBackColor": "  0  0  0", "MusicOption": "0",
            "NumMusicDirs": "0", "CDDrvStr": "", "CDRandom": "1", "AutoSubDir": "0", "RanLocDisp": "0",
            "CurrentFavDir": os.path.join(self.env["HOME"], "Favorite Pictures"),
        }
        self.assertEqual(values, expected)
        self.assertTrue(os.path.isdir(expected["CurrentFavDir"]))
        # With no pictures the screen is black.
        time.sleep(0.5)
        shot = self.screenshot()
        self.assertEqual(shot.getpixel((512, 384)), (0, 0, 0))
        self.assertEqual(shot.getextrema(), ((0, 0), (0, 0), (0, 0)))
        # A real key press brings up the notice with its exact title and text.
        self.key(window, "space")
        box = self.window_of(p, "^Orvanta Program Error$")
        self.assertIn(box, self.visible_windows(p))
        shot = self.screenshot()
        self.assertNotEqual(shot.getextrema(), ((0, 0), (0, 0), (0, 0)))  # the box is drawn
        # Confirming it ends the program with status 0 and LastImage written.
        self.key(box, "Return")
        self.assertEqual(self.wait_exit(p), 0)
        self.assertIn("LastImage", self.settings())


class ImmediateEnds(ShowTest):
    def test_other_arguments_end_at_once_without_a_window(self):
        # Unknown ones with status 2, a preview without an id with 1, a password change with 0.
        for args, status in ((["x"], 2), (["/s:0"], 2), (["cc"], 2), (["/s", "0"], 2), (["/p"], 1), (["/a", "0"], 0)):
            with self.subTest(args=args):
                p = self.start(*args)
                rc = self.wait_exit(p, timeout=10)
                self.assertEqual(rc, status)
        # None of them created the settings key: none of them is a show.
        self.assertEqual(self.settings(), {})

    def test_second_show_ends_while_the_first_runs(self):
        first = self.start("/s")
        self.window_of(first)
        second = self.start("/s")
        self.assertEqual(self.wait_exit(second, timeout=10), 0)
        third = self.start(" /s ")  # passes the start check, stopped by the guard in start-up
        self.assertEqual(self.wait_exit(third, timeout=10), 0)
        self.assertIsNone(first.poll())
        first.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(first), 0)

    def test_remove_settings_takes_the_product_key_with_its_subkeys(self):
        self.write_settings({"Duration": "7"})
        with open(self.registry_path, "a") as f:
            f.write('\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Keep]\n"A"="1"\n')
        self.assertEqual(self.run_to_end("-U"), 0)
        reg = self.registry()
        self.assertFalse([k for k in reg if k.lower().startswith(r"hkey_current_user\software\quorrin\orvanta")])
        self.assertIn(r"HKEY_CURRENT_USER\Software\Quorrin\Keep", reg)


class Leaving(ShowTest):
    def show_without_pictures(self):
        p = self.start("/s")
        window = self.window_of(p)
        self.wait_for(lambda: self.settings().get("RanLocDisp"), what="the settings")
        return p, window

    def test_close_message_ends_at_once_without_last_image(self):
        self.write_settings({"LastImage": "/keep/me.jpg"})
        p, window = self.show_without_pictures()
        subprocess.run([os.path.join(TOOLS, "orvanta-close"), window, "5190374"], check=True, timeout=10)
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(self.settings()["LastImage"], "/keep/me.jpg")

    def test_close_message_with_another_code_is_ignored(self):
        p, window = self.show_without_pictures()
        subprocess.run([os.path.join(TOOLS, "orvanta-close"), window, "42"], check=True, timeout=10)
        time.sleep(1)
        self.assertIsNone(p.poll())
        # Neither does the window manager's close (WM_DELETE_WINDOW) or Alt+F4 end it.
        subprocess.run(["xdotool", "windowclose", window], capture_output=True, timeout=10)
        self.key(window, "alt+F4")
        time.sleep(1)
        self.assertIsNone(p.poll())
        p.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(p), 0)

    def test_sigterm_ends_the_show_writing_last_image(self):
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig):
                self.write_settings({"LastImage": "/was/here.jpg"})
                p, _ = self.show_without_pictures()
                p.send_signal(sig)
                self.assertEqual(self.wait_exit(p), 0)
                # No picture was shown: the path loaded from LastImage is written back.
                self.assertEqual(self.settings()["LastImage"], "/was/here.jpg")

    def test_mouse_travel_and_buttons(self):
        p, window = self.show_without_pictures()
        subprocess.run(["xdotool", "mousemove", "500", "400"], timeout=10)
        time.sleep(0.3)
        subprocess.run(["xdotool", "mousemove", "510", "400"], timeout=10)
        time.sleep(0.3)
        subprocess.run(["xdotool", "mousemove", "510", "475"], timeout=10)  # 75 from the origin
        time.sleep(0.5)
        self.assertEqual(self.visible_windows(p), [window])
        subprocess.run(["xdotool", "mousemove", "510", "476"], timeout=10)  # 76
        box = self.window_of(p, "^Orvanta Program Error$")
        self.key(box, "Return")
        self.assertEqual(self.wait_exit(p), 0)


if __name__ == "__main__":
    unittest.main()

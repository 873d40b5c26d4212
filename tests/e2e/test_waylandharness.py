"""The Wayland harness on real programs: the virtual devices reach the
compositor and the settings dialog's windows, a second output is made, grim
reads back what swaybg draws, and nothing is left running."""
import subprocess
import time
import unittest

from harness import BIN
from wayland import Sway, session_for

WIDTH, HEIGHT = 1280, 480
GREEN = (31, 143, 63)


class WaylandHarness(unittest.TestCase):
    def setUp(self):
        self.sway = session_for(self, Sway, WIDTH, HEIGHT)

    def focused(self):
        return [w["pid"] for w in self.sway.windows() if w["focused"]]

    def test_clicks_move_the_focus_and_keys_reach_the_focused_dialog(self):
        devices = self.sway.input()
        kinds = {d["type"] for seat in self.sway.swaymsg("-t", "get_seats") for d in seat["devices"]}
        self.assertEqual(kinds, {"keyboard", "pointer"})
        dialogs = []
        for x in (0, WIDTH // 2):
            p = self.sway.popen(BIN, "/c", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            window = self.sway.window_of(p)
            self.sway.swaymsg("[con_id=%d]" % window["id"], "move", "position", str(x), "0")
            dialogs.append((p, self.sway.program_pid(p)))
        (left, left_pid), (right, right_pid) = dialogs
        self.assertEqual(self.focused(), [right_pid])
        # Below the dialog's tabs, left of its buttons: a click there does nothing but focus.
        devices.moveto(40, 420, WIDTH, HEIGHT)
        devices.button("left")
        self.assertEqual(self.focused(), [left_pid])
        devices.move(WIDTH // 2, 0)
        devices.button("left")
        self.assertEqual(self.focused(), [right_pid])
        devices.key("Escape")
        self.assertEqual(right.wait(timeout=10), 0)
        self.assertIsNone(left.poll())
        devices.key("Escape")  # the one left has the focus now
        self.assertEqual(left.wait(timeout=10), 0)
        self.assertEqual(self.sway.windows(), [])

    def test_a_second_output_shows_its_own_background(self):
        name = self.sway.create_output(320, 240)
        self.assertEqual(self.sway.outputs()[name]["current_mode"]["width"], 320)
        self.sway.swaymsg("output", name, "bg", "#%02x%02x%02x" % GREEN, "solid_color")
        # swaybg draws it once it is configured: wait for its first frame.
        for _ in range(100):
            shot = self.sway.screenshot(name)
            if shot.getextrema() == tuple((c, c) for c in GREEN):
                break
            time.sleep(0.1)
        self.assertEqual((shot.width, shot.height), (320, 240))
        self.assertEqual(shot.getextrema(), tuple((c, c) for c in GREEN))
        self.assertNotEqual(self.sway.screenshot("HEADLESS-1").getpixel((5, 5)), GREEN)
        self.assertEqual(self.sway.screenshot().width, WIDTH + 320)
        self.sway.close()
        self.assertEqual(self.sway.leftovers(), [])


if __name__ == "__main__":
    unittest.main()

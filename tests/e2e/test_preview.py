"""Preview mode end to end: `orvanta /p <id>` draws the last picture of a show
inside a window of another program (the test host), follows its size, and
ends when that window is destroyed."""
import os
import unittest

from harness import Host, ShowTest
from pictures import marked, solid

RED, GREEN, BLACK = (255, 0, 0), (0, 255, 0), (0, 0, 0)
GREY = (128, 128, 128)  # the host's own background
SLATE, PAPER = (34, 40, 54), (246, 244, 236)  # the placeholder's desk and photo border


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Preview(ShowTest):
    def setUp(self):
        super().setUp()
        self.hosts = []

    def tearDown(self):
        for host in self.hosts:
            host.close()
        super().tearDown()

    def host(self, width=152, height=112):
        host = Host(self.env, width, height)
        self.hosts.append(host)
        return host

    def last_image(self, path):
        self.write_settings({"LastImage": path})

    def at(self, host, x, y):
        return self.screenshot().getpixel((host.x + x, host.y + y))

    def wait_drawn(self, host, x, y, colour):
        self.wait_for(lambda: close(self.at(host, x, y), colour), 10, "colour %s at %d,%d of the host" % (colour, x, y))

    def log_text(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def test_a_wide_picture_fills_the_host_stretched(self):
        picture = solid(os.path.join(self.picture_dir(), "wide.bmp"), 800, 600, RED)
        self.last_image(picture)
        host = self.host()
        p = self.start("/p", str(host.id))
        self.wait_drawn(host, 76, 56, RED)
        # 800 x 600 becomes 149 x 112 and fills 152 x 112 within 15 %: stretched over all of it.
        shot = self.screenshot()
        for x, y in ((0, 0), (151, 0), (0, 111), (151, 111)):
            self.assertTrue(close(shot.getpixel((host.x + x, host.y + y)), RED), (x, y))
        self.assertEqual(shot.getpixel((host.x + 152, host.y + 50)), BLACK)  # outside the host: the root
        self.assertIsNone(p.poll())
        # A show started meanwhile ends at once: the preview holds the single-instance lock.
        self.write_settings({"LastImage": picture, "Splash": "0"})
        second = self.start("/s")
        self.assertEqual(self.wait_exit(second, timeout=10), 0)
        self.assertIsNone(p.poll())
        # Destroying the host ends the preview within a second, with status 0.
        self.assertEqual(host.command("destroy"), "destroyed")
        self.assertEqual(self.wait_exit(p, timeout=1), 0)
        self.assertEqual(self.log_text(), "")  # nothing reported on the way
        # The preview never writes the settings: LastImage is as it was.
        self.assertEqual(self.settings()["LastImage"], picture)

    def test_a_tall_picture_is_centred_on_black(self):
        picture = marked(os.path.join(self.picture_dir(), "tall.bmp"), 600, 1200, GREEN, RED, mark_size=100)
        self.last_image(picture)
        host = self.host()
        p = self.start("/p", hex(host.id))  # X tools print ids in hexadecimal
        self.wait_drawn(host, 76, 100, GREEN)
        # 56 x 112 at x = 48, not stretched (152 / 56 is above 1.15).
        shot = self.screenshot()
        row = [shot.getpixel((host.x + x, host.y + 100)) for x in range(152)]
        self.assertEqual(row[:48], [BLACK] * 48)
        self.assertEqual(row[104:], [BLACK] * 48)
        self.assertTrue(all(close(c, GREEN) for c in row[49:103]), row[48:104])
        self.assertTrue(close(shot.getpixel((host.x + 50, host.y + 2)), RED))  # the mark, top left of the picture
        host.command("destroy")
        self.assertEqual(self.wait_exit(p, timeout=1), 0)

    def test_a_missing_last_picture_shows_the_placeholder_and_follows_resizes(self):
        picture = solid(os.path.join(self.picture_dir(), "gone.bmp"), 80, 60, RED)
        os.remove(picture)
        self.last_image(picture)
        host = self.host()
        p = self.start("/p:%d" % host.id)
        self.wait_drawn(host, 3, 3, SLATE)
        shot = self.screenshot()
        self.assertTrue(close(shot.getpixel((host.x + 25, host.y + 17)), PAPER))
        self.assertNotIn(RED, shot.region(host.x, host.y, 152, 112))
        # The preview covers the host at every size: the placeholder is stretched over it.
        self.assertEqual(host.command("resize 304 224"), "resized")
        self.wait_drawn(host, 300, 220, SLATE)
        self.assertTrue(close(self.at(host, 50, 34), PAPER))
        host.command("destroy")
        self.assertEqual(self.wait_exit(p, timeout=1), 0)

    def picture_box(self, host, width, height, colour=RED):
        """(x, y, w, h) within the host of the pixels of that colour, or None."""
        shot = self.screenshot()
        xs, ys = [], []
        for y in range(height):
            for x in range(width):
                if close(shot.getpixel((host.x + x, host.y + y)), colour):
                    xs.append(x)
                    ys.append(y)
        return (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if xs else None

    def test_the_picture_is_fitted_again_whenever_the_host_changes_size(self):
        picture = solid(os.path.join(self.picture_dir(), "wide.bmp"), 800, 600, RED)
        self.last_image(picture)
        host = self.host()
        p = self.start("/p", str(host.id))
        self.wait_drawn(host, 76, 56, RED)
        # (host size, the picture's box): scaled to fit each size, centred on
        # black, stretched over the host when it fills it within 15 % both ways.
        rows = (((480, 360), (0, 0, 480, 360)),
                ((480, 200), (107, 0, 266, 200)),
                ((100, 200), (0, 62, 100, 75)),
                ((640, 400), (53, 0, 533, 400)),
                ((152, 112), (0, 0, 152, 112)))
        for (width, height), box in rows:
            with self.subTest(size=(width, height)):
                self.assertEqual(host.command("resize %d %d" % (width, height)), "resized")
                got = []
                try:
                    self.wait_for(lambda: got.append(self.picture_box(host, width, height)) or got[-1] == box, 10,
                                  "the picture box %s" % (box,))
                except AssertionError:
                    self.assertEqual(got[-1], box)
                # Black around it, up to the host's edges.
                x, y, w, h = box
                for at in ((x - 1, y + h // 2), (x + w, y + h // 2), (x + w // 2, y - 1), (x + w // 2, y + h)):
                    if 0 <= at[0] < width and 0 <= at[1] < height:
                        self.assertEqual(self.at(host, *at), BLACK, at)
        host.command("destroy")
        self.assertEqual(self.wait_exit(p, timeout=1), 0)

    def test_an_id_that_is_no_window_ends_at_once_saying_so(self):
        for args in (["/p", "12345"], ["/p", "0x7fffff0"], ["/p", "-5"]):
            with self.subTest(args=args):
                p = self.start(*args)
                self.assertEqual(self.wait_exit(p, timeout=10), 1)
                lines = self.log_text().strip().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertIn("not a window", lines[0])
        # A preview whose host is gone does not hold the lock: a show can start.
        self.assertEqual(self.visible_windows(p), [])


if __name__ == "__main__":
    unittest.main()

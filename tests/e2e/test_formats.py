"""Every picture format end to end: a folder holding one flat picture of each,
made by the format's own encoder, stepped through in a manual show; the
screen's centre tells which picture is shown. Favourites, the last picture,
the wallpaper and the preview mode take each of them."""
import glob
import os
import pwd
import shutil
import struct
import subprocess
import time
import unittest
import zlib

from harness import Host, ShowTest, bare_session, plain_black_root
from pictures import solid

SKY = (0, 128, 255)
SIZE = 64


def close(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def negative(path, colour):
    """A camera RAW file as a digital negative: the flat colour through an
    R,G / G,B colour filter, 16 bits a sample, uncompressed, with a neutral
    white balance and an identity colour matrix."""
    r, g, b = colour
    data = b"".join(struct.pack("<H", 257 * (r if x % 2 == y % 2 == 0 else b if x % 2 == y % 2 == 1 else g))
                    for y in range(SIZE) for x in range(SIZE))

    def entries(data_at):
        short, long_ = (lambda v: struct.pack("<H", v)), (lambda v: struct.pack("<I", v))
        return [(254, 4, 1, long_(0)), (256, 4, 1, long_(SIZE)), (257, 4, 1, long_(SIZE)), (258, 3, 1, short(16)),
                (259, 3, 1, short(1)), (262, 3, 1, short(32803)), (271, 2, 8, b"Orvanta\0"),
                (273, 4, 1, long_(data_at)), (274, 3, 1, short(1)), (277, 3, 1, short(1)),
                (278, 4, 1, long_(SIZE)), (279, 4, 1, long_(len(data))), (284, 3, 1, short(1)),
                (33421, 3, 2, short(2) + short(2)), (33422, 1, 4, b"\0\1\1\2"), (50706, 1, 4, b"\1\4\0\0"),
                (50708, 2, 13, b"Orvanta test\0"),
                (50721, 10, 9, b"".join(struct.pack("<iI", int(i % 4 == 0), 1) for i in range(9))),
                (50728, 5, 3, struct.pack("<II", 1, 1) * 3)]

    def directory(items):
        head, tail, outside = struct.pack("<H", len(items)), b"", 8 + 2 + 12 * len(items) + 4
        for tag, kind, count, value in items:
            head += struct.pack("<HHI", tag, kind, count)
            if len(value) <= 4:
                head += value.ljust(4, b"\0")
            else:
                head += struct.pack("<I", outside + len(tail))
                tail += value + b"\0" * (len(value) % 2)
        return head + struct.pack("<I", 0) + tail

    size = len(directory(entries(0)))
    with open(path, "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", 8) + directory(entries(8 + size)) + data)


def png(path, colour):
    """An 8-bit RGB PNG of one colour."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = (b"\0" + bytes(colour) * SIZE) * SIZE
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# (file name, tools needed, maker: a command ({in} a PNG of the colour, {out}
# the file) or a writer of the file, colour shown). Camera-style brightening
# takes a RAW's brightest value to full scale: a grey negative shows white.
FORMATS = [
    ("a.bmp", (), lambda path, colour: solid(path, SIZE, SIZE, colour), (255, 0, 0)),
    ("b.png", (), png, (0, 0, 255)),
    ("c.jpg", ("convert",), "convert {in} -quality 95 {out}", (255, 255, 0)),
    ("d.heic", ("heif-enc",), "heif-enc -q 90 -o {out} {in}", (255, 0, 255)),
    ("e.avif", ("avifenc",), "avifenc -s 8 {in} {out}", (0, 255, 255)),
    ("f.webp", ("cwebp",), "cwebp -q 90 {in} -o {out}", (128, 0, 0)),
    ("g.tif", ("convert",), "convert {in} -compress lzw {out}", (0, 128, 0)),
    ("h.gif", ("convert",), "convert {in} {out}", (0, 0, 128)),
    ("i.jxl", ("cjxl",), "cjxl {in} {out} -d 1", (128, 128, 0)),
    ("j.dng", (), lambda path, colour: negative(path, (128, 128, 128)), (255, 255, 255)),
    ("k-phone.jpg", ("heif-enc",), "heif-enc -q 90 -o {out} {in}", (128, 0, 128)),  # a HEIC named .jpg
    ("l-pair.jpg", ("convert",), "convert {in} -quality 95 {out}", (0, 128, 128)),
]
# Beside l-pair.jpg, as a camera writes them: never listed. A green negative
# would show lime, a colour no listed picture has.
PAIRED_RAW, PAIRED_RAW_SHOWN = ("l-pair.dng", (0, 200, 0)), (0, 255, 0)


class Formats(ShowTest):
    CENTRE = (512, 384)

    def make_pictures(self, folder):
        """One picture of each format in folder: [(name, path, colour shown)]."""
        scratch = self.picture_dir("scratch")
        made = []
        for name, tools, maker, colour in FORMATS:
            with self.subTest(format=name):
                for tool in tools:
                    if not shutil.which(tool):
                        self.skipTest("%s is not installed (see scripts/install-deps.sh)" % tool)
                out = os.path.join(folder, name)
                if callable(maker):
                    maker(out, colour)
                else:
                    source = os.path.join(scratch, name + ".png")
                    png(source, colour)
                    r = subprocess.run(maker.format(**{"in": source, "out": out}), shell=True,
                                       capture_output=True, text=True, timeout=60)
                    self.assertEqual(r.returncode, 0, r.stderr)
                made.append((name, out, colour))
        return made

    def start_manual_show(self, folder, **values):
        settings = {"Duration": "0", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0",
                    "AlphaSort": "1", "Splash": "0", "Effects": "0", "Delay": "0", "AlphaMemory": "0",
                    "Captions": "0", "BackColor": "  0128255", "Proportional": "0"}
        settings.update(values)
        self.write_settings(settings)
        p = self.start("/s")
        return p, self.window_of(p)

    def next_picture(self, previous):
        """The centre's colour once it has left `previous`, the background and black, and holds."""
        def settled():
            a = self.screenshot().getpixel(self.CENTRE)
            if close(a, SKY, 3) or close(a, (0, 0, 0), 3) or previous is not None and close(a, previous, 3):
                return None
            time.sleep(0.2)
            return a if self.screenshot().getpixel(self.CENTRE) == a else None
        return self.wait_for(settled, 10, "the picture after %s" % (previous,))

    def test_a_manual_show_shows_every_format_once(self):
        folder = self.picture_dir()
        made = self.make_pictures(folder)
        paired = any(name == "l-pair.jpg" for name, _, _ in made)
        if paired:
            negative(os.path.join(folder, PAIRED_RAW[0]), PAIRED_RAW[1])

        p, window = self.start_manual_show(folder)
        seen = [self.next_picture(None)]
        for _ in made:  # through every picture and back to the first
            self.key(window, "Right")
            seen.append(self.next_picture(seen[-1]))
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

        cycle = seen[:-1]
        for name, _, colour in made:
            with self.subTest(format=name):
                self.assertEqual(sum(close(c, colour) for c in cycle), 1, (colour, cycle))
        if paired:
            self.assertFalse([c for c in cycle if close(c, PAIRED_RAW_SHOWN)], ("the paired RAW is shown", cycle))
        self.assertTrue(close(seen[-1], seen[0]), ("the show wraps to its first picture", seen))

    def test_favourites_last_picture_wallpaper_and_preview_take_every_format(self):
        self.env = bare_session(self.env)
        self.addCleanup(plain_black_root)
        folder = self.picture_dir()
        made = self.make_pictures(folder)
        favourites = os.path.join(self.env["HOME"], "Favorite Pictures")
        p, window = self.start_manual_show(folder, WallpaperLast="1")
        colour = None
        for count, (name, path, _) in enumerate(made, 1):
            colour = self.next_picture(colour)
            self.key(window, "f")
            self.wait_for(lambda: len(glob.glob(os.path.join(favourites, "*.lnk"))) == count, 5,
                          "the favourite of %s" % name)
            if count < len(made):
                self.key(window, "Right")
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

        links = []
        for link in glob.glob(os.path.join(favourites, "*.lnk")):
            with open(link, "rb") as f:
                links.append(f.read())
        last_name, last_path, last_colour = made[-1]
        for name, path, _ in made:
            with self.subTest(format=name):
                self.assertEqual(sum(path.encode() in link for link in links), 1, name)
        self.assertEqual(self.settings()["LastImage"], last_path)
        # The wallpaper file is the last picture as the screen showed it.
        wall = os.path.join(self.env["XDG_DATA_HOME"], "orvanta", pwd.getpwuid(os.getuid()).pw_name +
                            "_OrvantaWall.bmp")
        centre = subprocess.run(["convert", wall, "-crop", "1x1+%d+%d" % self.CENTRE, "-depth", "8", "rgb:-"],
                                capture_output=True, check=True, timeout=30).stdout
        self.assertTrue(close(tuple(centre), last_colour), (last_name, tuple(centre)))

        # The preview mode draws the last picture, whatever its format.
        for name, path, colour in made:
            with self.subTest(format=name):
                self.write_settings({"LastImage": path})
                host = Host(self.env, 152, 112)
                try:
                    p = self.start("/p", str(host.id))
                    self.wait_for(lambda: close(self.screenshot().getpixel((host.x + 76, host.y + 56)), colour), 10,
                                  "%s in the preview" % name)
                finally:
                    host.close()
                self.assertEqual(self.wait_exit(p), 0)


if __name__ == "__main__":
    unittest.main()

"""Load time of a 12-megapixel photo in each format for a 1920 x 1080 screen:
the show's loader (orvanta-convert, the show's default fitting) against the
format's reference command-line decoder writing its picture to a file, both
in the same run, median of several runs each, and the ratio (the aim is at
most 1.1). Where the reference decoder can scale (dwebp -resize, dcraw_emu
-h) it writes a picture of the size the show builds; the others write the
whole picture, which is all they can do. The photo (4000 x 3000, smooth
with grain, as photo_rows of bombfiles.py makes it) is encoded by each
format's own encoder; a format whose tools are missing is left out.

usage: bench/formatload.py [BUILD_DIR] [--runs N]
"""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bombfiles  # noqa: E402

WIDTH, HEIGHT = 4000, 3000
SCREEN = "1920x1080"
SHOWN = (1440, 1080)  # 4000 x 3000 fitted to the screen

# name, extension, encoder, reference decoder ({in}, {out}); tools needed
FORMATS = [
    ("HEIC", "heic", "heif-enc -q 90 -o {out} {in}", "heif-convert {in} {out}.png"),
    ("AVIF", "avif", "avifenc -s 8 -j 2 {in} {out}", "avifdec -j 2 {in} {out}.png"),
    ("WebP", "webp", "cwebp -q 90 {in} -o {out}", "dwebp {in} -resize %d %d -ppm -o {out}.ppm" % SHOWN),
    ("TIFF", "tif", "convert {in} -compress lzw {out}", "tiff2rgba {in} {out}.tif"),
    ("GIF", "gif", "convert {in} {out}", "convert {in} {out}.ppm"),
    ("JPEG XL", "jxl", "cjxl {in} {out} -d 1", "djxl {in} {out}.ppm"),
    ("DNG", "dng", None, "dcraw_emu -w -h -Z {out}.ppm {in}"),
]


def negative(path):
    """The photo as an uncompressed 16-bit digital negative behind an R,G /
    G,B colour filter."""
    entries = [(254, 4, 1, struct.pack("<I", 0)), (256, 4, 1, struct.pack("<I", WIDTH)),
               (257, 4, 1, struct.pack("<I", HEIGHT)), (258, 3, 1, struct.pack("<H", 16)),
               (259, 3, 1, struct.pack("<H", 1)), (262, 3, 1, struct.pack("<H", 32803)),
               (271, 2, 4, b"Orv\x00"), (273, 4, 1, None), (277, 3, 1, struct.pack("<H", 1)),
               (278, 4, 1, struct.pack("<I", HEIGHT)), (279, 4, 1, struct.pack("<I", WIDTH * HEIGHT * 2)),
               (33421, 3, 2, struct.pack("<HH", 2, 2)), (33422, 1, 4, bytes([0, 1, 1, 2])),
               (50706, 1, 4, bytes([1, 4, 0, 0])), (50708, 2, 4, b"Orv\x00")]
    offset = 8 + 2 + 12 * len(entries) + 4
    entries = [(t, k, c, v if v is not None else struct.pack("<I", offset)) for t, k, c, v in entries]
    with open(path, "wb") as f:
        f.write(bombfiles.tiff(entries))
        for y, row in enumerate(bombfiles.photo_rows(WIDTH, HEIGHT, 3)):
            # R,G on even rows, G,B on odd ones.
            first, second = (0, 1) if y % 2 == 0 else (1, 2)
            samples = bytearray(WIDTH * 2)
            samples[0::4] = row[first::6]
            samples[1::4] = row[first::6]
            samples[2::4] = row[3 + second::6]
            samples[3::4] = row[3 + second::6]
            f.write(bytes(samples))


def timed(command, runs):
    times = []
    for _ in range(runs):
        start = time.monotonic()
        subprocess.run(command, shell=True, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.monotonic() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    convert = os.path.join(args.build, "tools", "orvanta-convert")
    work = tempfile.mkdtemp(prefix="orvanta-formats-")
    try:
        source = os.path.join(work, "photo.png")
        bombfiles.png(source, WIDTH, HEIGHT, 8, 2, (b"\x00" + r for r in bombfiles.photo_rows(WIDTH, HEIGHT, 3)),
                      level=1)
        print("%-8s %10s %10s %12s %8s" % ("format", "bytes", "show s", "reference s", "ratio"))
        for name, extension, encode, decode in FORMATS:
            tools = ([encode.split()[0]] if encode else []) + [decode.split()[0]]
            if not all(shutil.which(t) for t in tools):
                print("%-8s left out: %s not installed" % (name, " or ".join(t for t in tools if not shutil.which(t))))
                continue
            path = os.path.join(work, "photo." + extension)
            if encode:
                subprocess.run(encode.format(**{"in": source, "out": path}), shell=True, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            else:
                negative(path)
            out = os.path.join(work, "out")
            ours = timed("%s --screen %s %s %s.bmp" % (convert, SCREEN, path, out), args.runs)
            theirs = timed(decode.format(**{"in": path, "out": out}), args.runs)
            print("%-8s %10d %10.3f %12.3f %8.2f" % (name, os.path.getsize(path), ours, theirs, ours / theirs))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

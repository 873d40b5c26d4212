"""Load time of a 12-megapixel photo in each format for a 1920 x 1080 screen:
the show's loader (orvanta-convert, the show's default fitting) against the
format's reference command-line decoder writing its picture to a file, both
in the same run, their runs taken in turn, median of several runs each, and
the ratio (the aim is at most 1.1). Where the reference decoder can scale
(dwebp -resize, dcraw_emu -h) it writes a picture of the size the show
builds; the others write the whole picture, which is all they can do. The
photo (4000 x 3000, smooth with grain, as photo_rows of bombfiles.py makes
it) is encoded by each format's own encoder; a format whose tools are
missing is left out. A real camera's RAW file (Debian's rawtran-doc, a
Canon EOS 30D CR2) is measured too where it is installed.

Each command is also timed on a 32 x 32 picture of the same format: the
time a program takes to start and end, which the show pays once a run, not
once a picture. "load ratio" is the ratio with each side's start-up taken
off; "ratio" is the whole commands'.

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

DCRAW_HALF = "dcraw_emu -w -h -Z {out}.ppm {in}"

# name, extension, encoder, reference decoder ({in}, {out}); tools needed
FORMATS = [
    ("HEIC", "heic", "heif-enc -q 90 -o {out} {in}", "heif-convert {in} {out}.png"),
    ("AVIF", "avif", "avifenc -s 8 -j 2 {in} {out}", "avifdec -j 2 {in} {out}.png"),
    ("WebP", "webp", "cwebp -q 90 {in} -o {out}", "dwebp {in} -resize %d %d -ppm -o {out}.ppm" % SHOWN),
    ("TIFF", "tif", "convert {in} -compress lzw {out}", "tiff2rgba {in} {out}.tif"),
    ("GIF", "gif", "convert {in} {out}", "convert {in} {out}.ppm"),
    ("JPEG XL", "jxl", "cjxl {in} {out} -d 1", "djxl {in} {out}.ppm"),
    ("DNG", "dng", None, DCRAW_HALF),
]


CAMERA_RAW = "/usr/share/doc/rawtran/IMG_5952.CR2"


def negative(path, width=WIDTH, height=HEIGHT):
    """The photo as an uncompressed 16-bit digital negative behind an R,G /
    G,B colour filter."""
    entries = [(254, 4, 1, struct.pack("<I", 0)), (256, 4, 1, struct.pack("<I", width)),
               (257, 4, 1, struct.pack("<I", height)), (258, 3, 1, struct.pack("<H", 16)),
               (259, 3, 1, struct.pack("<H", 1)), (262, 3, 1, struct.pack("<H", 32803)),
               (271, 2, 4, b"Orv\x00"), (273, 4, 1, None), (277, 3, 1, struct.pack("<H", 1)),
               (278, 4, 1, struct.pack("<I", height)), (279, 4, 1, struct.pack("<I", width * height * 2)),
               (33421, 3, 2, struct.pack("<HH", 2, 2)), (33422, 1, 4, bytes([0, 1, 1, 2])),
               (50706, 1, 4, bytes([1, 4, 0, 0])), (50708, 2, 4, b"Orv\x00")]
    offset = 8 + 2 + 12 * len(entries) + 4
    entries = [(t, k, c, v if v is not None else struct.pack("<I", offset)) for t, k, c, v in entries]
    with open(path, "wb") as f:
        f.write(bombfiles.tiff(entries))
        for y, row in enumerate(bombfiles.photo_rows(width, height, 3)):
            # R,G on even rows, G,B on odd ones.
            first, second = (0, 1) if y % 2 == 0 else (1, 2)
            samples = bytearray(width * 2)
            samples[0::4] = row[first::6]
            samples[1::4] = row[first::6]
            samples[2::4] = row[3 + second::6]
            samples[3::4] = row[3 + second::6]
            f.write(bytes(samples))


def timed(commands, runs):
    """Median seconds of each command, the commands run in turn so that the
    machine's changing load falls on all of them alike."""
    times = [[] for _ in commands]
    for _ in range(runs):
        for command, spent in zip(commands, times):
            start = time.monotonic()
            subprocess.run(command, shell=True, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            spent.append(time.monotonic() - start)
    return [statistics.median(t) for t in times]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    convert = os.path.join(args.build, "tools", "orvanta-convert")
    work = tempfile.mkdtemp(prefix="orvanta-formats-")
    try:
        sources = {}
        for size, (width, height) in (("photo", (WIDTH, HEIGHT)), ("tiny", (32, 32))):
            sources[size] = os.path.join(work, size + ".png")
            bombfiles.png(sources[size], width, height, 8, 2,
                          (b"\x00" + r for r in bombfiles.photo_rows(width, height, 3)), level=1)
        print("%-9s %10s %8s %12s %6s %17s %11s" % ("format", "bytes", "show s", "reference s", "ratio",
                                                   "start-up s (ref)", "load ratio"))
        rows = [row + (None,) for row in FORMATS]
        if os.path.exists(CAMERA_RAW):
            # Start-up timed on a small digital negative, as for DNG.
            rows.append(("CR2 30D", "dng", None, DCRAW_HALF, CAMERA_RAW))
        for name, extension, encode, decode, given in rows:
            tools = ([encode.split()[0]] if encode else []) + [decode.split()[0]]
            if not all(shutil.which(t) for t in tools):
                print("%-9s left out: %s not installed" % (name, " or ".join(t for t in tools if not shutil.which(t))))
                continue
            files = {}
            for size in ("photo", "tiny"):
                files[size] = os.path.join(work, "%s.%s" % (size, extension))
                if encode:
                    subprocess.run(encode.format(**{"in": sources[size], "out": files[size]}), shell=True, check=True,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                elif size == "photo":
                    negative(files[size])
                else:
                    negative(files[size], 32, 32)
            if given:
                files["photo"] = given
            out = os.path.join(work, "out")
            commands = []
            for size in ("photo", "tiny"):
                commands += ["%s --screen %s %s %s.bmp" % (convert, SCREEN, files[size], out),
                             decode.format(**{"in": files[size], "out": out})]
            ours, theirs, ours_start, theirs_start = timed(commands, args.runs)
            print("%-9s %10d %8.3f %12.3f %6.2f %8.3f (%6.3f) %11.2f" % (
                name, os.path.getsize(files["photo"]), ours, theirs, ours / theirs, ours_start, theirs_start,
                (ours - ours_start) / (theirs - theirs_start)))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

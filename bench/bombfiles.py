"""Picture bombs and large genuine photos, made from nothing but the standard
library (and cjpeg for the genuine JPEG, heif-enc for the HEIF bomb, cjxl for
the cut JPEG XL), for the bomb benchmark and tests.

A bomb is a small file that claims a huge picture; each entry here is one of
the cases the loader must show or skip quickly. The genuine photos are the
large pictures that must keep working. Files are written only when missing,
so a folder can be reused between runs; sparse files take no disk space.

    python3 bombfiles.py FOLDER [NAME...]     writes the named files (default: all)
"""
import os
import random
import struct
import subprocess
import sys
import zlib


# --- JPEG segments -----------------------------------------------------------

def segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def dqt():
    return segment(0xDB, bytes([0]) + bytes([1] * 64))


def sof(marker, width, height, components):
    """components: (id, horizontal sampling, vertical sampling) per component."""
    body = struct.pack(">BHHB", 8, height, width, len(components))
    for cid, h, v in components:
        body += bytes([cid, (h << 4) | v, 0])
    return segment(marker, body)


def dht_single_symbol():
    """DC table 0 and AC table 0, each with one symbol (0: DC difference 0,
    end of block) coded as the single bit 0."""
    counts = bytes([1] + [0] * 15)
    return segment(0xC4, bytes([0x00]) + counts + bytes([0]) + bytes([0x10]) + counts + bytes([0]))


def sos(component_ids, ss, se, ah=0, al=0):
    body = bytes([len(component_ids)])
    for cid in component_ids:
        body += bytes([cid, 0x00])
    return segment(0xDA, body + bytes([ss, se, (ah << 4) | al]))


def exif_orientation(value):
    tiff = b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", 1)
    tiff += struct.pack("<HHIHH", 0x0112, 3, 1, value, 0) + struct.pack("<I", 0)
    return segment(0xE1, b"Exif\x00\x00" + tiff)


SOI, EOI = b"\xFF\xD8", b"\xFF\xD9"
YCC_420 = [(1, 2, 2), (2, 1, 1), (3, 1, 1)]


def progressive_dc_scans(path):
    """16384 x 16384 progressive colour JPEG: 499 DC scans without data."""
    data = SOI + dqt() + sof(0xC2, 16384, 16384, YCC_420) + dht_single_symbol()
    data += sos([1, 2, 3], 0, 0) * 499 + EOI
    write(path, data)


def progressive_grey(path):
    """23000 x 23000 progressive greyscale JPEG: 480 DC scans without data."""
    data = SOI + dqt() + sof(0xC2, 23000, 23000, [(1, 1, 1)]) + dht_single_symbol()
    data += sos([1], 0, 0) * 480 + EOI
    write(path, data)


def baseline_exif(path):
    """65500 x 65500 baseline colour JPEG, Exif orientation 6, 250 bytes."""
    head = SOI + exif_orientation(6) + dqt() + sof(0xC0, 65500, 65500, YCC_420) + dht_single_symbol()
    head += sos([1, 2, 3], 0, 63)
    write(path, head + bytes(250 - len(head) - 2) + EOI)


# --- PNG ---------------------------------------------------------------------

def chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))


def png(path, width, height, depth, colour_type, rows, level=9):
    """rows: an iterable of filtered rows (filter byte included)."""
    packer = zlib.compressobj(level)
    idat = b"".join(packer.compress(r) for r in rows) + packer.flush()
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    write(path, b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", idat) + chunk(b"IEND", b""))


def png_one_bit(path):
    """16384 x 16384 black one-bit greyscale PNG (about 32 KB)."""
    row = bytes(1 + 16384 // 8)
    png(path, 16384, 16384, 1, 0, (row for _ in range(16384)))


# --- BMP ---------------------------------------------------------------------

def bmp_header(width, height, bit_count, compression, palette, data_size, file_size=None):
    bits_offset = 14 + 40 + len(palette)
    size = file_size if file_size is not None else bits_offset + data_size
    colours = len(palette) // 4
    return (b"BM" + struct.pack("<IHHI", size, 0, 0, bits_offset)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, compression, data_size,
                          2835, 2835, colours, 0) + palette)


def bmp_rle8_end_only(path):
    """16384 x 16384 RLE8 BMP holding only the end-of-bitmap code (64 bytes)."""
    palette = bytes([40, 80, 120, 0, 255, 255, 255, 0])
    write(path, bmp_header(16384, 16384, 8, 1, palette, 2) + b"\x00\x01")


def sparse(path, head, size):
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(size)


def bmp_junk(path):
    """1000 MB of zeros named .bmp, sparse."""
    sparse(path, b"", 1000 * 1000 * 1000)


def bmp_sparse_32(path):
    """Valid 16384 x 16384 32-bit BMP whose pixels are a hole (black)."""
    data = 16384 * 16384 * 4
    head = bmp_header(16384, 16384, 32, 0, b"", data)
    sparse(path, head, len(head) + data)


# --- TIFF, camera RAW, GIF, WebP, JPEG XL, HEIF ------------------------------

def tiff(entries, tail=b""):
    """A little-endian TIFF of one directory; entries: (tag, type, count,
    value) with the value packed into its 4 bytes."""
    data = b"II*\x00" + struct.pack("<IH", 8, len(entries))
    for tag, kind, count, value in sorted(entries):
        data += struct.pack("<HHI", tag, kind, count) + value.ljust(4, b"\x00")
    return data + struct.pack("<I", 0) + tail


def tiff_grey(width, height, strip_bytes, extra=()):
    """An uncompressed 8-bit grey TIFF of one strip, which starts right after
    the directory and claims strip_bytes."""
    count = 9 + len(extra)
    offset = 8 + 2 + 12 * count + 4
    entries = [(256, 4, 1, struct.pack("<I", width)), (257, 4, 1, struct.pack("<I", height)),
               (258, 3, 1, struct.pack("<H", 8)), (259, 3, 1, struct.pack("<H", 1)),
               (262, 3, 1, struct.pack("<H", 1)), (273, 4, 1, struct.pack("<I", offset)),
               (277, 3, 1, struct.pack("<H", 1)), (278, 4, 1, struct.pack("<I", height)),
               (279, 4, 1, struct.pack("<I", strip_bytes))] + list(extra)
    return tiff(entries, bytes(64))


def tiff_65535(path):
    """65535 x 65535 grey TIFF whose one strip claims 4 GB (200 bytes)."""
    write(path, tiff_grey(65535, 65535, 65535 * 65535))


def tiff_strips_beyond(path):
    """12000 x 12000 grey TIFF (within the size limit) whose one strip claims
    the 144 MB the picture needs, in a file of 200 bytes."""
    write(path, tiff_grey(12000, 12000, 12000 * 12000))


def dng_65535(path):
    """65535 x 65535 16-bit colour-filter digital negative (a TIFF with the
    negative's tags), 220 bytes."""
    cfa = [(258, 3, 1, struct.pack("<H", 16)), (33421, 3, 2, struct.pack("<HH", 2, 2)),
           (33422, 1, 4, bytes([0, 1, 1, 2])), (50706, 1, 4, bytes([1, 4, 0, 0]))]
    data = tiff_grey(65535, 65535, 0xFFFFFFFF, [e for e in cfa if e[0] != 258])
    write(path, data.replace(struct.pack("<HHI", 262, 3, 1) + struct.pack("<H", 1),
                             struct.pack("<HHI", 262, 3, 1) + struct.pack("<H", 32803)))


def gif_screen(path, side):
    """A GIF whose logical screen is side x side, holding one 1 x 1 frame."""
    lzw = bytes([2, 2, 0x44, 0x01, 0])  # minimum code size 2: clear, index 0, end
    data = b"GIF89a" + struct.pack("<HHBBB", side, side, 0x80, 0, 0) + bytes([255, 255, 255, 0, 0, 0])
    data += b"," + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + lzw + b";"
    write(path, data)


def gif_screen_65535(path):
    """GIF with a 65535 x 65535 logical screen and a 1 x 1 frame (35 bytes)."""
    gif_screen(path, 65535)


def gif_screen_16000(path):
    """GIF with a 16000 x 16000 logical screen (within the limit) and a 1 x 1 frame."""
    gif_screen(path, 16000)


def webp(chunks):
    body = b"WEBP" + b"".join(kind + struct.pack("<I", len(c)) + c + (b"\x00" if len(c) % 2 else b"")
                              for kind, c in chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def vp8x(width, height):
    return struct.pack("<I", 0) + struct.pack("<I", width - 1)[:3] + struct.pack("<I", height - 1)[:3]


def vp8l(width, height, data=b""):
    return b"\x2f" + struct.pack("<I", (width - 1) | ((height - 1) << 14)) + data


def webp_canvas(path):
    """WebP whose extended header claims a 16777216 x 16777216 canvas around
    a 1 x 1 lossless picture."""
    write(path, webp([(b"VP8X", vp8x(1 << 24, 1 << 24)), (b"VP8L", vp8l(1, 1, bytes(8)))]))


def webp_16384(path):
    """16384 x 16384 lossless WebP, canvas and picture alike, with 64 bytes of data."""
    write(path, webp([(b"VP8X", vp8x(16384, 16384)), (b"VP8L", vp8l(16384, 16384, bytes(64)))]))


def jxl_65535(path):
    """A JPEG XL codestream whose size header claims 65535 x 65535."""
    bits = []

    def put(value, count):
        bits.extend((value >> i) & 1 for i in range(count))
    put(0, 1)          # not a small size
    put(2, 2)          # height - 1 in 18 bits
    put(65534, 18)
    put(0, 3)          # no aspect ratio: the width follows
    put(2, 2)
    put(65534, 18)
    put(1, 1)          # default image metadata
    data = bytes(sum(bit << i for i, bit in enumerate(bits[k:k + 8])) for k in range(0, len(bits), 8))
    write(path, b"\xff\x0a" + data + bytes(64))


def heif_65535(path):
    """A HEIC made by heif-enc from an 8 x 8 picture, its image size
    properties (ispe) then changed to claim 65535 x 65535."""
    source = path + ".png"
    png(source, 8, 8, 8, 2, (bytes(1 + 24) for _ in range(8)))
    try:
        subprocess.run(["heif-enc", "-o", path, source], check=True, capture_output=True)
    finally:
        os.remove(source)
    with open(path, "rb") as f:
        data = bytearray(f.read())
    at = data.find(b"ispe")
    if at < 0:
        raise RuntimeError("no ispe box")
    while at >= 0:
        data[at + 8:at + 16] = struct.pack(">II", 65535, 65535)
        at = data.find(b"ispe", at + 4)
    write(path, bytes(data))


def jxl_cut(path):
    """A genuine JPEG XL of a flat grey 11000 x 11000 picture (a few kilobytes:
    a flat picture costs next to nothing) cut off after three quarters of its
    bytes: the headers are whole, most of the picture is missing."""
    source = path + ".pgm"
    with open(source, "wb") as f:
        f.write(b"P5 11000 11000 255\n")
        row = bytes([90]) * 11000
        for _ in range(11000):
            f.write(row)
    try:
        subprocess.run(["cjxl", source, path, "-d", "1", "-e", "1"], check=True, capture_output=True)
    finally:
        os.remove(source)
    with open(path, "rb") as f:
        data = f.read()
    write(path, data[:len(data) * 3 // 4])


# --- Genuine large photos ----------------------------------------------------

def photo_rows(width, height, channels, seed=7):
    """Rows of a smooth, grainy, photo-like picture: a random-walk texture
    with grain, shifted from row to row, lightened and darkened in broad
    bands. It compresses about as well as a camera's photo."""
    rnd = random.Random(seed)
    length = (width + 4096) * channels
    texture = bytearray(length)
    level = [128] * channels
    for i in range(0, length, channels):
        grain = rnd.randint(-6, 6)
        for c in range(channels):
            level[c] = min(225, max(30, level[c] + rnd.randint(-3, 3)))
            texture[i + c] = level[c] + grain
    texture = bytes(texture)
    tables = [bytes(min(255, max(0, v + d)) for v in range(256)) for d in range(-40, 41, 2)]
    for y in range(height):
        shift = (y * 5 + (y // 97) * 131) % 4096
        band = tables[(y // 53) % len(tables)]
        yield texture[shift * channels:(shift + width) * channels].translate(band)


def photo_jpeg(path, width=14204, height=10652, progressive=False):
    """A genuine 150-megapixel colour photo (14204 x 10652), through cjpeg."""
    args = ["cjpeg", "-quality", "90"] + (["-progressive"] if progressive else []) + ["-outfile", path]
    encoder = subprocess.Popen(args, stdin=subprocess.PIPE)
    encoder.stdin.write(b"P6\n%d %d\n255\n" % (width, height))
    for row in photo_rows(width, height, 3):
        encoder.stdin.write(row)
    encoder.stdin.close()
    if encoder.wait() != 0:
        raise RuntimeError("cjpeg failed")


def photo_jpeg_progressive(path):
    """The same photo as a progressive JPEG, whose decoding keeps every
    coefficient of the picture in memory (about 450 MB) and takes seconds."""
    photo_jpeg(path, progressive=True)


def photo_png(path, width=10000, height=10000):
    """A genuine 100-megapixel colour PNG (10000 x 10000)."""
    png(path, width, height, 8, 2, (b"\x00" + r for r in photo_rows(width, height, 3)), level=1)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# name -> (file name, maker, kind): kind "bomb" must be shown or skipped
# within the bomb aim, "photo" must be shown within the photo aim.
FILES = {
    "png-1bit": ("png-1bit-16384.png", png_one_bit, "bomb"),
    "jpeg-dc-scans": ("jpeg-progressive-499-dc-scans-16384.jpg", progressive_dc_scans, "bomb"),
    "jpeg-grey": ("jpeg-progressive-grey-23000.jpg", progressive_grey, "bomb"),
    "jpeg-exif6": ("jpeg-baseline-65500-exif6.jpg", baseline_exif, "bomb"),
    "bmp-rle8": ("bmp-rle8-end-only-16384.bmp", bmp_rle8_end_only, "bomb"),
    "bmp-junk": ("bmp-junk-1000MB.bmp", bmp_junk, "bomb"),
    "bmp-sparse32": ("bmp-sparse-32bit-16384.bmp", bmp_sparse_32, "bomb"),
    "tiff-65535": ("tiff-65535.tif", tiff_65535, "bomb"),
    "tiff-strips": ("tiff-strips-beyond-the-file-12000.tif", tiff_strips_beyond, "bomb"),
    "dng-65535": ("dng-65535.dng", dng_65535, "bomb"),
    "gif-65535": ("gif-screen-65535.gif", gif_screen_65535, "bomb"),
    "gif-16000": ("gif-screen-16000.gif", gif_screen_16000, "bomb"),
    "webp-canvas": ("webp-canvas-16777216.webp", webp_canvas, "bomb"),
    "webp-16384": ("webp-16384.webp", webp_16384, "bomb"),
    "jxl-65535": ("jxl-65535.jxl", jxl_65535, "bomb"),
    "jxl-cut": ("jxl-11000-cut.jxl", jxl_cut, "bomb"),
    "heif-65535": ("heif-65535.heic", heif_65535, "bomb"),
    "photo-jpeg": ("photo-150MP.jpg", photo_jpeg, "photo"),
    "photo-jpeg-prog": ("photo-150MP-progressive.jpg", photo_jpeg_progressive, "photo"),
    "photo-png": ("photo-100MP.png", photo_png, "photo"),
}


def make(folder, names=None):
    """Writes the named files (all when None) that are missing; returns
    {name: (path, kind)}."""
    os.makedirs(folder, exist_ok=True)
    made = {}
    for name in names or FILES:
        file_name, maker, kind = FILES[name]
        path = os.path.join(folder, file_name)
        if not os.path.exists(path):
            partial = path + ".part" + os.path.splitext(path)[1]
            try:
                maker(partial)
            except (OSError, subprocess.CalledProcessError, RuntimeError) as error:
                # A maker that needs a missing encoder (heif-enc) leaves its file out.
                print("%s: not made (%s)" % (name, error), file=sys.stderr)
                if os.path.exists(partial):
                    os.remove(partial)
                continue
            os.replace(partial, path)
        made[name] = (path, kind)
    return made


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for name, (path, kind) in make(sys.argv[1], sys.argv[2:] or None).items():
        print("%-14s %-6s %12d bytes  %s" % (name, kind, os.path.getsize(path), path))

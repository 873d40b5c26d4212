"""Small test pictures written as BMP files, so that what the show draws can
be predicted pixel for pixel."""
import struct


def write_bmp(path, width, height, pixel):
    """A 24-bit BMP whose colour at (x, y) is pixel(x, y) -> (r, g, b)."""
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + image)
    return path


def solid(path, width, height, colour):
    return write_bmp(path, width, height, lambda x, y: colour)


def marked(path, width, height, colour, mark, mark_size=10):
    """A solid picture whose top-left mark_size square has another colour."""
    return write_bmp(path, width, height,
                     lambda x, y: mark if x < mark_size and y < mark_size else colour)


def quadrants(path, width, height, colours):
    """A picture of four equal quarters: colours top left, top right, bottom
    left, bottom right."""
    return write_bmp(path, width, height,
                     lambda x, y: colours[(x >= width // 2) + 2 * (y >= height // 2)])

"""Icons and TVK files for the picture benchmarks, written into the current folder.

ordinary.ico/.tvk  a 256-pixel 32-bit bitmap icon, a smooth picture as real icons are
sizes.ico/.tvk     the same picture at 256 pixels as PNG and at 48, 32 and 16 as bitmaps
entries.tvk        an ICO file listing one 2048-pixel PNG 65,535 times
text.tvk           an ICO file listing, a dozen times, one small PNG after 3.9 MB of
                   compressed text chunks that unpack to 8 MB each
twelve.ico/.tvk    twelve different 2048-pixel PNGs in one ICO file (within 1 MiB)
text-preview.ico   the text-chunk PNG at the window's preview limit (1 MiB)
inflate.tvk        a 64-pixel PNG whose image data goes on with zeros: 4 MiB that
                   inflate to about 4 GiB
inflate-preview.ico the same within the preview limit (1 MiB, about 1 GiB inflated)
"""
import math
import struct
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, extra=b"", shade=0):
    row = b"\0" + bytes((16 + shade) % 256 for _ in range(width * 4))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra
            + chunk(b"IDAT", zlib.compress(row * height, 9)) + chunk(b"IEND", b""))


def ico(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for image in images:
        entries += struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return header + entries + b"".join(images)


def repeated_ico(image, count):
    entry = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(image), 6 + 16 * count)
    return struct.pack("<HHH", 0, 1, count) + entry * count + image


def smooth_bgra(side, bottom_up):
    pixels = bytearray()
    for y in (reversed(range(side)) if bottom_up else range(side)):
        for x in range(side):
            inside = math.hypot(x - side / 2, y - side / 2) < side * 0.45
            pixels += bytes((255 * x // side, 128, 255 * y // side, 255 if inside else 0))
    return bytes(pixels)


def smooth_png(side):
    bgra = smooth_bgra(side, False)
    rows = b"".join(b"\0" + bytes(v for i in range(0, side * 4, 4)
                                   for v in (bgra[r + i + 2], bgra[r + i + 1], bgra[r + i],
                                             bgra[r + i + 3]))
                    for r in range(0, len(bgra), side * 4))
    ihdr = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def inflating_png(size):
    """A 64-pixel PNG whose zlib stream goes on with blocks of zeros up to `size` bytes."""
    rows = (b"\0" + b"\x40" * 256) * 64
    deflate = zlib.compressobj(9)
    head = deflate.compress(rows) + deflate.flush(zlib.Z_FULL_FLUSH)
    # After a full flush each block stands alone, so one block of 64 MiB of
    # zeros can be repeated as often as the size allows.
    block = deflate.compress(bytes(64 << 20)) + deflate.flush(zlib.Z_FULL_FLUSH)
    tail = deflate.flush()
    data = head + block * ((size - len(head) - len(tail)) // len(block)) + tail
    ihdr = struct.pack(">IIBBBBB", 64, 64, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", data)
            + chunk(b"IEND", b""))


def ordinary_bitmap(side=256):
    pixels = smooth_bgra(side, True)
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + bytes(pixels) + bytes((side + 31) // 32 * 4 * side)


def tvk(left):
    return (struct.pack("<i", 1) + b"A" + struct.pack("<i", 1) + b"B"
            + struct.pack("<ii", len(left), 1) + left + b"R")


def text_png(size):
    text = chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"x" * 8000000, 9))
    return png(16, 16, text * (size // len(text)))


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


ordinary = ico([ordinary_bitmap()])
write("ordinary.ico", ordinary)
write("ordinary.tvk", tvk(ordinary))
write("entries.tvk", tvk(repeated_ico(png(2048, 2048), 65535)))
write("text.tvk", tvk(repeated_ico(text_png(3900000), 12)))
twelve = ico([png(2048, 2048, shade=i) for i in range(12)])
write("twelve.ico", twelve)
write("twelve.tvk", tvk(twelve))
write("text-preview.ico", repeated_ico(text_png(1000000), 12))
sizes = ico([smooth_png(256)] + [ordinary_bitmap(side) for side in (48, 32, 16)])
write("sizes.ico", sizes)
write("sizes.tvk", tvk(sizes))
write("inflate.tvk", tvk(ico([inflating_png((4 << 20) - 200)])))
write("inflate-preview.ico", ico([inflating_png((1 << 20) - 200)]))

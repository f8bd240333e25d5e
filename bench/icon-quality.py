"""How close each size of some ICO files is to the right picture of that size.

    python3 icon-quality.py PICTURE ICO...

The right picture is the area average of PICTURE (square) over each target pixel, in
linear light with alpha premultiplied, rounded to eight bits: what an ideal box filter
gives. It is made here, from an integral image, with fractional pixel edges. Each ICO
file's pictures are compared with it by SSIM (7 by 7 uniform windows, over the red,
green and blue channels premultiplied by alpha and over alpha, averaged), printed as
one line a size: "SIDE SSIM SSIM ...", one figure an ICO file. Needs ImageMagick's
convert to decode PICTURE and the PNG pictures inside the ICO files; no numpy.
"""
import struct
import subprocess
import sys


def rgba(data, fmt=None):
    """Width, height and RGBA bytes of a picture, decoded by ImageMagick."""
    source = f"{fmt}:-" if fmt else data
    size = subprocess.run(["convert", source, "-format", "%w %h", "info:"],
                          input=data if fmt else None, capture_output=True, check=True).stdout
    width, height = map(int, size.split()[:2])
    pixels = subprocess.run(["convert", source, "-alpha", "on", "-depth", "8", "rgba:-"],
                            input=data if fmt else None, capture_output=True, check=True).stdout
    return width, height, pixels


def linear(value):
    c = value / 255
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def encoded(value):
    c = min(max(value, 0.0), 1.0)
    v = c * 12.92 if c <= 0.0031308 else 1.055 * c ** (1 / 2.4) - 0.055
    return int(v * 255 + 0.5)


LINEAR = [linear(v) for v in range(256)]


def integral_images(width, height, pixels):
    """Per plane (R, G, B premultiplied in linear light; alpha), the sums of every
    rectangle from the corner: (width + 1) * (height + 1) values, row by row."""
    planes = [[0.0] * ((width + 1) * (height + 1)) for _ in range(4)]
    stride = width + 1
    for y in range(height):
        row = [0.0] * 4
        base = (y + 1) * stride
        for x in range(width):
            i = (y * width + x) * 4
            a = pixels[i + 3] / 255
            values = (LINEAR[pixels[i]] * a, LINEAR[pixels[i + 1]] * a,
                      LINEAR[pixels[i + 2]] * a, a)
            for p in range(4):
                row[p] += values[p]
                planes[p][base + x + 1] = planes[p][base - stride + x + 1] + row[p]
    return planes


def reference(side, integrals, source):
    """The `side` by `side` area average of the `source`-pixel square, as RGBA bytes."""
    stride = source + 1
    scale = source / side

    def at(plane, x, y):  # the integral image between its samples: bilinear, and exact
        x0, y0 = min(int(x), source - 1), min(int(y), source - 1)
        fx, fy = x - x0, y - y0
        i = y0 * stride + x0
        return ((plane[i] * (1 - fx) + plane[i + 1] * fx) * (1 - fy)
                + (plane[i + stride] * (1 - fx) + plane[i + stride + 1] * fx) * fy)

    area = scale * scale
    out = bytearray()
    for ty in range(side):
        y0, y1 = ty * scale, (ty + 1) * scale
        for tx in range(side):
            x0, x1 = tx * scale, (tx + 1) * scale
            sums = [at(p, x1, y1) - at(p, x0, y1) - at(p, x1, y0) + at(p, x0, y0)
                    for p in integrals]
            alpha = round(min(max(sums[3] / area, 0.0), 1.0) * 255)
            if alpha == 0:
                out += bytes(4)
            else:
                out += bytes([encoded(sums[0] / sums[3]), encoded(sums[1] / sums[3]),
                              encoded(sums[2] / sums[3]), alpha])
    return bytes(out)


def icon_pictures(path):
    """An ICO file's pictures by side, as RGBA bytes: PNG, 32-bit and 24-bit bitmaps."""
    data = open(path, "rb").read()
    count = struct.unpack_from("<H", data, 4)[0]
    pictures = {}
    for n in range(count):
        width, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        side = width or 256
        image = data[offset:offset + size]
        if image.startswith(b"\x89PNG"):
            pictures[side] = rgba(image, "png")[2]
            continue
        bits = struct.unpack_from("<H", image, 14)[0]
        if bits not in (24, 32):
            raise SystemExit(f"{path}: a {bits}-bit bitmap at {side}")
        row = (side * bits // 8 + 3) // 4 * 4
        mask_row = (side + 31) // 32 * 4
        mask_at = 40 + row * side
        out = bytearray()
        for y in range(side - 1, -1, -1):
            for x in range(side):
                p = 40 + y * row + x * bits // 8
                b, g, r = image[p:p + 3]
                if bits == 32:
                    a = image[p + 3]
                else:
                    a = 0 if image[mask_at + y * mask_row + x // 8] >> (7 - x % 8) & 1 else 255
                out += bytes([r, g, b, a])
        pictures[side] = bytes(out)
    return pictures


def ssim(side, one, other, window=7):
    """The mean SSIM over the four planes, windows of `window` pixels a side (the
    picture's side when smaller), from integral images of x, y, x², y² and xy."""
    window = min(window, side)
    n = window * window
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    total = 0.0
    for plane in range(4):
        def values(pixels):
            if plane == 3:
                return [pixels[i + 3] for i in range(0, len(pixels), 4)]
            return [pixels[i + plane] * pixels[i + 3] / 255 for i in range(0, len(pixels), 4)]

        xs, ys = values(one), values(other)
        stride = side + 1
        sums = [[0.0] * (stride * stride) for _ in range(5)]
        for y in range(side):
            row = [0.0] * 5
            for x in range(side):
                a, b = xs[y * side + x], ys[y * side + x]
                for k, v in enumerate((a, b, a * a, b * b, a * b)):
                    row[k] += v
                    sums[k][(y + 1) * stride + x + 1] = sums[k][y * stride + x + 1] + row[k]
        score, count = 0.0, 0
        for y in range(side - window + 1):
            for x in range(side - window + 1):
                i, j = y * stride + x, (y + window) * stride + x + window
                s = [t[j] - t[j - window] - t[i + window] + t[i] for t in sums]
                mx, my = s[0] / n, s[1] / n
                vx, vy, cxy = s[2] / n - mx * mx, s[3] / n - my * my, s[4] / n - mx * my
                score += ((2 * mx * my + c1) * (2 * cxy + c2)) / (
                    (mx * mx + my * my + c1) * (vx + vy + c2))
                count += 1
        total += score / count
    return total / 4


def main():
    picture, icons = sys.argv[1], sys.argv[2:]
    width, height, pixels = rgba(picture)
    if width != height:
        raise SystemExit(f"{picture} is not square")
    integrals = integral_images(width, height, pixels)
    made = [icon_pictures(path) for path in icons]
    for side in sorted(made[0]):
        right = reference(side, integrals, width)
        scores = [ssim(side, pictures[side], right) if side in pictures else float("nan")
                  for pictures in made]
        print(side, " ".join(f"{s:.4f}" for s in scores))


main()

#!/usr/bin/env python3
"""Draw Nivaro's binary resources: assets/nivaro.ico, assets/item.ico and assets/separator.bmp.

The artwork lives here as code so it can be reviewed and changed like any other source;
the generated files are committed so the build needs no Python. Output is byte-for-byte
deterministic: run `python3 scripts/make_assets.py` from anywhere and commit the result.
"""

import pathlib
import struct

ASSETS = pathlib.Path(__file__).resolve().parent.parent / "assets"

# Vector artwork is laid out on a 64x64 grid and scaled to each icon size.
GRID = 64.0
SUPERSAMPLE = 5  # per axis; 25 samples a pixel is enough for smooth edges without being slow


# --- shapes and rasteriser -------------------------------------------------------------

def _segment_distance2(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else min(1.0, max(0.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    ex, ey = ax + t * dx - x, ay + t * dy - y
    return ex * ex + ey * ey


class Shape:
    """A filled region with a paint (constant colour or a function of position) and an opacity."""

    def __init__(self, bbox, inside, paint, alpha=1.0):
        self.bbox = bbox
        self.inside = inside
        self.paint = paint if callable(paint) else (lambda x, y, c=paint: c)
        self.alpha = alpha


def polygon(points, paint, grow=0.0, alpha=1.0):
    """Polygon, optionally grown by `grow` with round corners (outlines, soft-cornered slabs)."""
    edges = list(zip(points, points[1:] + points[:1]))
    grow2 = grow * grow
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]

    def inside(x, y):
        crossing = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                crossing = not crossing
        if crossing or grow == 0.0:
            return crossing
        return any(_segment_distance2(x, y, ax, ay, bx, by) <= grow2 for (ax, ay), (bx, by) in edges)

    return Shape((min(xs) - grow, min(ys) - grow, max(xs) + grow, max(ys) + grow), inside, paint, alpha)


def stroke(points, width, paint, alpha=1.0):
    """Open polyline with round caps."""
    segments = list(zip(points, points[1:]))
    r = width / 2.0
    r2 = r * r
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]

    def inside(x, y):
        return any(_segment_distance2(x, y, ax, ay, bx, by) <= r2 for (ax, ay), (bx, by) in segments)

    return Shape((min(xs) - r, min(ys) - r, max(xs) + r, max(ys) + r), inside, paint, alpha)


def ellipse(cx, cy, rx, ry, paint, alpha=1.0):
    def inside(x, y):
        u, v = (x - cx) / rx, (y - cy) / ry
        return u * u + v * v <= 1.0

    return Shape((cx - rx, cy - ry, cx + rx, cy + ry), inside, paint, alpha)


def linear(x0, y0, c0, x1, y1, c1):
    """Two-stop linear gradient paint between (x0, y0) and (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def paint(x, y):
        t = min(1.0, max(0.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return tuple(a + (b - a) * t for a, b in zip(c0, c1))

    return paint


def rotated(shapes, cos_a, sin_a, cx, cy):
    """Turn shapes about (cx, cy); paints rotate with them so gradients follow the surface."""

    def to_local(x, y):
        dx, dy = x - cx, y - cy
        return cx + dx * cos_a + dy * sin_a, cy - dx * sin_a + dy * cos_a

    result = []
    for s in shapes:
        x0, y0, x1, y1 = s.bbox
        corners = []
        for px, py in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
            dx, dy = px - cx, py - cy
            corners.append((cx + dx * cos_a - dy * sin_a, cy + dx * sin_a + dy * cos_a))
        bbox = (min(c[0] for c in corners), min(c[1] for c in corners),
                max(c[0] for c in corners), max(c[1] for c in corners))
        result.append(Shape(bbox,
                            lambda x, y, f=s.inside: f(*to_local(x, y)),
                            lambda x, y, f=s.paint: f(*to_local(x, y)),
                            s.alpha))
    return result


def _channel(v):
    return min(255, max(0, int(v + 0.5)))


def render(shapes, size):
    """Rasterise back-to-front with supersampling; returns rows (top first) of straight RGBA."""
    k = GRID / size
    step = k / SUPERSAMPLE
    n = SUPERSAMPLE * SUPERSAMPLE
    image = []
    for py in range(size):
        row = []
        for px in range(size):
            x0, y0 = px * k, py * k
            x1, y1 = x0 + k, y0 + k
            near = [s for s in shapes
                    if s.bbox[0] < x1 and s.bbox[2] > x0 and s.bbox[1] < y1 and s.bbox[3] > y0]
            tr = tg = tb = ta = 0.0
            for j in range(SUPERSAMPLE):
                y = y0 + (j + 0.5) * step
                for i in range(SUPERSAMPLE):
                    x = x0 + (i + 0.5) * step
                    r = g = b = a = 0.0
                    for s in near:
                        if s.inside(x, y):
                            cr, cg, cb = s.paint(x, y)
                            sa = s.alpha
                            r = cr * sa + r * (1.0 - sa)
                            g = cg * sa + g * (1.0 - sa)
                            b = cb * sa + b * (1.0 - sa)
                            a = sa + a * (1.0 - sa)
                    tr += r
                    tg += g
                    tb += b
                    ta += a
            if ta <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append((_channel(tr / ta), _channel(tg / ta), _channel(tb / ta), _channel(255.0 * ta / n)))
        image.append(row)
    return image


# --- the scrubbing brush ----------------------------------------------------------------

OUTLINE = (70, 38, 12)
WOOD_TOP_LIGHT = (230, 176, 112)
WOOD_TOP = (208, 148, 84)
WOOD_EDGE = (238, 194, 136)
WOOD_FRONT = (178, 110, 50)
WOOD_FRONT_DARK = (138, 80, 32)
WOOD_GRAIN = (122, 70, 28)
WOOD_END = (112, 62, 24)
WOOD_END_DARK = (92, 50, 18)
UNDERSIDE = (84, 48, 18)
BRISTLE_LIGHT = (250, 234, 190)
BRISTLE = (226, 198, 140)
BRISTLE_SHADE = (168, 136, 84)
BRISTLE_BACK = (150, 118, 70)

# Designed pixel by pixel: at 16x16 a scaled drawing turns to mush, this stays crisp.
BRUSH_16_KEY = {
    ".": None,
    "K": OUTLINE,
    "T": WOOD_TOP_LIGHT,
    "t": WOOD_TOP,
    "H": WOOD_EDGE,
    "F": WOOD_FRONT,
    "f": WOOD_FRONT_DARK,
    "g": WOOD_GRAIN,
    "E": WOOD_END,
    "e": WOOD_END_DARK,
    "U": UNDERSIDE,
    "B": BRISTLE_LIGHT,
    "b": BRISTLE,
    "s": BRISTLE_SHADE,
}
BRUSH_16 = [
    "................",
    "................",
    "....KKKKKKKKKKK.",
    "...KTTTTTTTTTTKK",
    "..KtttttttttttEK",
    ".KHHHHHHHHHHHHEK",
    ".KFFFFFFFFFFFFEK",
    ".KFgggggFFFFFFeK",
    ".KFFFFFFFggggFeK",
    ".KffffffffffffK.",
    ".KUUUUUUUUUUUUK.",
    ".KBsBsBsBsBsBsK.",
    ".KBsBsBsBsBsBsK.",
    ".KbsbsbsbsbsbsK.",
    "..K.K.K.K.K.K...",
    "................",
]


def brush_scene(size):
    """The brush in grid units. Line widths never drop below a pixel so small sizes stay legible."""
    px = GRID / size
    line = max(1.6, 1.1 * px)
    # Block: front face, a top face receding up and to the right, and the right end face.
    left, right, top, bottom = 6.0, 52.0, 19.0, 37.0
    depth_x, depth_y = 7.0, -7.0
    bristle_top, bristle_bottom = bottom + 1.0, 53.0
    front = [(left, top), (right, top), (right, bottom), (left, bottom)]
    top_face = [(left, top), (left + depth_x, top + depth_y), (right + depth_x, top + depth_y), (right, top)]
    end_face = [(right, top), (right + depth_x, top + depth_y), (right + depth_x, bottom + depth_y), (right, bottom)]
    silhouette = [(left, top), (left + depth_x, top + depth_y), (right + depth_x, top + depth_y),
                  (right + depth_x, bottom + depth_y), (right, bottom), (left, bottom)]

    shapes = []
    # Bristles first so the block overlaps their roots; a back row, set off by the same
    # recession as the top face, peeks out between the front tufts and gives the row depth.
    tufts = max(6, min(12, round(size / 5.0)))
    inset = 3.0
    pitch = (right - left - 2 * inset) / (tufts - 1)
    tuft_width = max(pitch * 0.62, 1.2 * px)
    back_x, back_y = depth_x * 0.5, depth_y * 0.5
    rows = [
        ([left + inset + (i + 0.5) * pitch + back_x for i in range(tufts)], back_y,
         linear(0, bristle_top + back_y, UNDERSIDE, 0, bristle_bottom + back_y, BRISTLE_BACK)),
        ([left + inset + i * pitch for i in range(tufts)], 0.0,
         linear(0, bristle_top, BRISTLE_SHADE, 0, bristle_bottom, BRISTLE_LIGHT)),
    ]
    for xs, dy, paint in rows:
        for x in xs:
            shapes.append(stroke([(x, bristle_top - 1 + dy), (x, bristle_bottom + dy)], tuft_width + line, OUTLINE))
        for x in xs:
            shapes.append(stroke([(x, bristle_top - 1 + dy), (x, bristle_bottom + dy)], tuft_width, paint))

    shapes.append(polygon(silhouette, OUTLINE, grow=line))
    shapes.append(polygon(top_face, linear(0, top + depth_y, WOOD_TOP_LIGHT, 0, top, WOOD_TOP)))
    shapes.append(polygon(end_face, linear(right, 0, WOOD_END, right + depth_x, 0, WOOD_END_DARK)))
    shapes.append(polygon(front, linear(0, top, WOOD_FRONT, 0, bottom, WOOD_FRONT_DARK)))
    # Wood grain: a few gentle wavy streaks, fewer when there are fewer pixels to carry them.
    grain_width = max(1.0, 0.7 * px)
    streaks = [
        [(left + 4, top + 6), (left + 12, top + 5), (left + 20, top + 6.5), (left + 27, top + 5.5)],
        [(left + 22, top + 12), (left + 30, top + 11), (left + 38, top + 12.5), (right - 4, top + 11.5)],
    ]
    if size >= 40:
        streaks.append([(left + 9, top + 13), (left + 16, top + 12.5)])
        streaks.append([(left + 32, top + 5), (right - 6, top + 4.5)])
    for streak in streaks:
        shapes.append(stroke(streak, grain_width, WOOD_GRAIN, alpha=0.8))
    shapes.append(stroke([(left + 14, top + depth_y * 0.5), (right - 6 + depth_x * 0.5, top + depth_y * 0.5)],
                         grain_width, WOOD_TOP, alpha=0.9))
    # Light catches the front top edge; a dark lip underneath separates block from bristles.
    shapes.append(stroke([(left + line * 0.5, top + line * 0.4), (right - line * 0.3, top + line * 0.4)],
                         max(1.2, 0.9 * px), WOOD_EDGE))
    shapes.append(stroke([(left, bottom - line * 0.3), (right, bottom - line * 0.3)], max(1.4, 1.0 * px), UNDERSIDE))
    return shapes


# --- the waste bin ----------------------------------------------------------------------

BIN_OUTLINE = (14, 62, 140)
BIN_LIGHT = (196, 226, 255)
BIN_MID = (104, 170, 245)
BIN_DEEP = (24, 104, 218)
BIN_LID_LIGHT = (120, 184, 250)
BIN_LID_DEEP = (20, 88, 200)
BIN_RIB = (44, 122, 222)
WHITE = (255, 255, 255)

# About 12 degrees clockwise; literals keep the output identical across platforms' libm.
TILT_COS, TILT_SIN = 0.9781476007338057, 0.20791169081775931


def bin_scene(size, opaque):
    """The bin upright in grid units, then tilted. `opaque` is for the palette image, which has no
    alpha: where the bin would be see-through it gets lighter solid colours instead."""
    px = GRID / size
    line = max(1.5, 1.0 * px)
    see = 1.0 if opaque else 0.72
    body_top, body_bottom = 21.0, 57.0
    top_half, bottom_half = 17.0, 12.0
    cx = 28.5
    body = [(cx - top_half, body_top), (cx + top_half, body_top),
            (cx + bottom_half, body_bottom), (cx - bottom_half, body_bottom)]
    lid_top, lid_bottom, lid_half = 13.0, 21.5, 20.0

    shapes = []
    shapes.append(polygon(body, BIN_OUTLINE, grow=line))
    if opaque:
        body_paint = linear(cx - top_half, 0, BIN_LIGHT, cx + top_half, 0, BIN_DEEP)
    else:
        body_paint = linear(cx - top_half, 0, BIN_LIGHT, cx + top_half, 0, BIN_MID)
    shapes.append(polygon(body, body_paint, alpha=see))
    # The back of the rim and the far ribs show through the front wall.
    if not opaque:
        shapes.append(polygon([(cx - top_half + 2, body_top + 2), (cx + top_half - 2, body_top + 2),
                               (cx + top_half - 4, body_top + 6), (cx - top_half + 4, body_top + 6)],
                              BIN_DEEP, alpha=0.35))
    ribs = 4
    rib_width = max(1.0, 0.8 * px) if size < 48 else 2.2
    for i in range(ribs):
        t = (i + 1) / (ribs + 1)
        xt = cx - top_half + 2 * top_half * t
        xb = cx - bottom_half + 2 * bottom_half * t
        shapes.append(stroke([(xt, body_top + 5), (xb, body_bottom - 4)], rib_width, BIN_RIB,
                             alpha=1.0 if opaque else 0.75))
        if size >= 48:
            shapes.append(stroke([(xt - 1.8, body_top + 5), (xb - 1.4, body_bottom - 4)], 1.2, WHITE, alpha=0.55))
    # A gloss band down the left of the body sells the plastic.
    gloss = [(cx - top_half + 3.5, body_top + 4), (cx - top_half + 7.5, body_top + 4),
             (cx - bottom_half + 5.5, body_bottom - 4), (cx - bottom_half + 2.5, body_bottom - 4)]
    shapes.append(polygon(gloss, WHITE, alpha=0.85 if opaque else 0.6))
    # Lid with a handle on top.
    handle = [(cx - 6, lid_top + 0.5), (cx - 5, lid_top - 5), (cx + 5, lid_top - 5), (cx + 6, lid_top + 0.5)]
    handle_width = max(2.6, 2.2 * px)
    shapes.append(stroke(handle, handle_width + 2 * line, BIN_OUTLINE))
    shapes.append(stroke(handle, handle_width, linear(0, lid_top - 5, BIN_LID_LIGHT, 0, lid_top, BIN_LID_DEEP)))
    lid = [(cx - lid_half + 1.5, lid_top + 1.5), (cx + lid_half - 1.5, lid_top + 1.5),
           (cx + lid_half - 1.5, lid_bottom - 1.5), (cx - lid_half + 1.5, lid_bottom - 1.5)]
    shapes.append(polygon(lid, BIN_OUTLINE, grow=1.5 + line))
    shapes.append(polygon(lid, linear(cx - lid_half, lid_top, BIN_LID_LIGHT, cx + lid_half, lid_bottom, BIN_LID_DEEP),
                          grow=1.5, alpha=1.0 if opaque else 0.92))
    shapes.append(stroke([(cx - lid_half + 2.5, lid_top + 1.2), (cx + lid_half - 6, lid_top + 1.2)],
                         max(1.2, 0.8 * px), WHITE, alpha=0.7))
    return rotated(shapes, TILT_COS, TILT_SIN, 32.0, 35.0)


# --- palette reduction for the 8-bit image ----------------------------------------------

def median_cut(counts, limit):
    """Reduce a {colour: pixel count} histogram to at most `limit` colours; returns the palette."""
    boxes = [sorted(counts.items())]
    while len(boxes) < limit:
        def spread(box):
            return max(max(c[0][ch] for c in box) - min(c[0][ch] for c in box) for ch in range(3))

        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: (spread(b) * sum(c[1] for c in b), b[0][0]))
        channel = max(range(3), key=lambda ch: max(c[0][ch] for c in box) - min(c[0][ch] for c in box))
        box.sort(key=lambda c: (c[0][channel], c[0]))
        half = sum(c[1] for c in box) / 2.0
        running = 0
        cut = 1
        for idx, (_, count) in enumerate(box[:-1]):
            running += count
            cut = idx + 1
            if running >= half:
                break
        boxes.remove(box)
        boxes.extend([box[:cut], box[cut:]])
    palette = []
    for box in boxes:
        total = sum(c[1] for c in box)
        palette.append(tuple(_channel(sum(c[0][ch] * c[1] for c in box) / total) for ch in range(3)))
    return sorted(set(palette))


def to_palette(image):
    """Map an RGBA image to (palette, index rows). Index 0 is black: the colour a masked-out pixel
    must carry so the AND/XOR blit leaves the background untouched."""
    counts = {}
    for row in image:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    colours = sorted(counts) if len(counts) <= 255 else median_cut(counts, 255)
    palette = [(0, 0, 0)] + [c for c in colours if c != (0, 0, 0)]
    lookup = {}

    def nearest(c):
        if c not in lookup:
            lookup[c] = min(range(1, len(palette)),
                            key=lambda i: sum((p - q) * (p - q) for p, q in zip(palette[i], c)))
        return lookup[c]

    rows = [[nearest((r, g, b)) if a >= 128 else 0 for r, g, b, a in row] for row in image]
    return palette, rows


# --- file formats -----------------------------------------------------------------------

def _stride(bits):
    return (bits + 31) // 32 * 4


def _and_mask(transparent_rows):
    """1-bit mask, bottom-up, set where the pixel is transparent."""
    width = len(transparent_rows[0])
    out = bytearray()
    for row in reversed(transparent_rows):
        line = bytearray(_stride(width))
        for x, clear in enumerate(row):
            if clear:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def _icon_header(size, bpp, image_bytes, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, image_bytes, 0, 0, colours_used, 0)


def icon_image_24(image):
    size = len(image)
    xor = bytearray()
    for row in reversed(image):
        line = bytearray()
        for r, g, b, a in row:
            line += bytes((b, g, r)) if a else b"\0\0\0"
        line += bytes(_stride(size * 24) - len(line))
        xor += line
    mask = _and_mask([[a == 0 for *_, a in row] for row in image])
    return size, 24, _icon_header(size, 24, len(xor) + len(mask)) + bytes(xor) + mask


def icon_image_32(image):
    size = len(image)
    xor = bytearray()
    for row in reversed(image):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a)) if a else b"\0\0\0\0"
    # The mask only matters where alpha is ignored; fully transparent pixels are the safe set.
    mask = _and_mask([[a == 0 for *_, a in row] for row in image])
    return size, 32, _icon_header(size, 32, len(xor) + len(mask)) + bytes(xor) + mask


def icon_image_8(image):
    size = len(image)
    palette, rows = to_palette(image)
    palette += [(0, 0, 0)] * (256 - len(palette))
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    xor = bytearray()
    for row in reversed(rows):
        xor += bytes(row) + bytes(_stride(size * 8) - size)
    mask = _and_mask([[a < 128 for *_, a in row] for row in image])
    return size, 8, _icon_header(size, 8, len(xor) + len(mask), 256) + colour_table + bytes(xor) + mask


def write_ico(path, images):
    images = sorted(images, key=lambda im: (im[0], im[1]))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, bpp, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
        body += data
    path.write_bytes(directory + body)


def write_bmp24(path, rows):
    """Bottom-up 24-bit BMP from top-first rows of RGB."""
    width, height = len(rows[0]), len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + bytes(_stride(width * 24) - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    path.write_bytes(header + info + bytes(pixels))


# --- assets -----------------------------------------------------------------------------

def brush_16():
    return [[(0, 0, 0, 0) if BRUSH_16_KEY[ch] is None else BRUSH_16_KEY[ch] + (255,) for ch in line]
            for line in BRUSH_16]


def separator_rows(width=252):
    """White at both ends, saturated blue in the middle; the top row is a touch lighter and the
    bottom a touch darker so the line reads as a slight groove rather than a flat stripe."""
    edge = (246, 249, 255)
    centre = (18, 92, 226)
    rows = [[], [], []]
    half = (width - 1) / 2.0
    for x in range(width):
        d = abs(x - half) / half
        s = d * d * (3.0 - 2.0 * d)  # smoothstep: a broad blue middle fading softly into white
        base = [c + (e - c) * s for c, e in zip(centre, edge)]
        rows[0].append(tuple(_channel(v + (255 - v) * 0.10 * (1 - s)) for v in base))
        rows[1].append(tuple(_channel(v) for v in base))
        rows[2].append(tuple(_channel(v * (1 - 0.06 * (1 - s))) for v in base))
    return rows


def main():
    ASSETS.mkdir(exist_ok=True)
    write_ico(ASSETS / "nivaro.ico",
              [icon_image_24(brush_16())] +
              [icon_image_32(render(brush_scene(n), n)) for n in (20, 24, 32, 40, 48, 64)])
    write_ico(ASSETS / "item.ico",
              [icon_image_8(render(bin_scene(32, opaque=True), 32))] +
              [icon_image_32(render(bin_scene(n, opaque=False), n)) for n in (48, 64)])
    write_bmp24(ASSETS / "separator.bmp", separator_rows())


if __name__ == "__main__":
    main()

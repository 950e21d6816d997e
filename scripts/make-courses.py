#!/usr/bin/env python3
"""Draws the sample courses of examples/courses/ and writes them as BMP files.

Every course is a closed loop of pure black line, LINE_WIDTH pixels wide, on
white, with no smoothing: a pixel is black when its centre lies within half
the line's width of the course's centre line, white otherwise. Every course
passes the start point START, going straight down the screen there, so that
the one start point of examples/ormakin.ini suits them all.

The files are stored in different BMP layouts (24 bits per pixel, 8 bits with
a colour table, 1 bit, run-length encoded 8 bits) so that opening the sample
set exercises the picture reader.

Usage: scripts/make-courses.py [output directory]
(default: examples/courses beside this script's directory). Standard library
only; the output is the same byte for byte on every run.
"""

import math
import os
import struct
import sys

# The start point of examples/ormakin.ini, in course pixels. Each course runs
# straight down through it.
START = (60, 200)

# Width of the line in pixels. The car's side sensors lie 4 pixels from its
# centre line: a line 5 pixels wide always covers at least one of the three
# sensors while it lies between them, so the car never loses a line that is
# still under its sensor row.
LINE_WIDTH = 5

# Spacing of the points sampled along a centre line, in pixels. Far below one
# pixel, so that the stamped discs join into a line of even width.
SAMPLE_STEP = 0.25


class Course:
    """A black-and-white picture: a bytearray of 0 (white) and 1 (black)."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = bytearray(width * height)

    def black(self, x, y):
        return self.pixels[y * self.width + x] == 1

    def stamp(self, cx, cy, radius):
        """Blackens every pixel whose centre lies within `radius` of (cx, cy)."""
        r2 = radius * radius
        for y in range(math.floor(cy - radius), math.ceil(cy + radius) + 1):
            if not 0 <= y < self.height:
                continue
            for x in range(math.floor(cx - radius), math.ceil(cx + radius) + 1):
                if 0 <= x < self.width and (x - cx) ** 2 + (y - cy) ** 2 <= r2:
                    self.pixels[y * self.width + x] = 1

    def draw(self, points, gaps=()):
        """Draws the centre line through `points` (dense samples of a path).

        `gaps` lists (x, y, length) holes: samples within length / 2 of (x, y)
        are left out, so the line stops with a round end on both sides.
        """
        radius = LINE_WIDTH / 2
        for px, py in points:
            if any(math.hypot(px - gx, py - gy) < glen / 2 for gx, gy, glen in gaps):
                continue
            self.stamp(px, py, radius)


# --- Centre lines -------------------------------------------------------------


def sample_segment(a, b):
    """Points from a towards b (b itself excluded), SAMPLE_STEP apart."""
    n = max(1, math.ceil(math.dist(a, b) / SAMPLE_STEP))
    return [(a[0] + (b[0] - a[0]) * i / n, a[1] + (b[1] - a[1]) * i / n) for i in range(n)]


def polygon(corners):
    """The closed polygon through `corners`: straight sides, sharp corners."""
    points = []
    for i, a in enumerate(corners):
        points += sample_segment(a, corners[(i + 1) % len(corners)])
    return points


def closed_spline(controls):
    """A smooth closed curve through `controls` (a uniform Catmull-Rom spline).

    Each span is sampled finely enough that neighbouring samples lie well
    under one pixel apart.
    """
    points = []
    n = len(controls)
    for i in range(n):
        p0, p1, p2, p3 = (controls[(i + k) % n] for k in (-1, 0, 1, 2))
        steps = max(1, math.ceil(4 * math.dist(p1, p2) / SAMPLE_STEP))
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            points.append(tuple(
                0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2
                       + (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3) for k in (0, 1)))
    return points


def ellipse(cx, cy, rx, ry):
    steps = math.ceil(2 * math.pi * max(rx, ry) / SAMPLE_STEP)
    return [(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def arc(cx, cy, r, start, end):
    """Points on the circle around (cx, cy) from angle `start` to `end`
    (radians, screen angles: y grows downwards), end excluded."""
    steps = max(1, math.ceil(abs(end - start) * r / SAMPLE_STEP))
    return [(cx + r * math.cos(start + (end - start) * i / steps),
             cy + r * math.sin(start + (end - start) * i / steps)) for i in range(steps)]


# --- The courses --------------------------------------------------------------


def oval():
    """A plain ellipse: gentle bends, always the same way."""
    course = Course(500, 400)
    course.draw(ellipse(250, 200, 250 - START[0], 150))
    return course


def bends():
    """A loop with tight bends both ways: a wave along the bottom, a bump
    into the loop on the right and a wave along the top."""
    course = Course(500, 400)
    x0, y0 = START
    course.draw(closed_spline([
        (x0, y0 - 50), (x0, y0), (x0, y0 + 50), (x0 + 20, 320),  # down the left side
        (120, 360), (170, 320), (220, 360), (270, 320), (320, 360),  # wave along the bottom
        (400, 355), (445, 300), (445, 250), (395, 215), (395, 175), (445, 145),  # bump inwards
        (440, 70), (380, 40), (330, 85), (280, 40), (230, 85), (180, 40),  # wave along the top
        (110, 45), (x0 + 10, 90),
    ]))
    return course


def eight():
    """A figure of eight: two loops joined by two straight lines that cross at
    right angles in the middle of the picture."""
    course = Course(500, 400)
    cx, cy = 250, 200
    # The loops' centres lie d to each side of the crossing; the straight
    # lines leave the crossing at 45 degrees and touch each loop, so a loop's
    # radius is d * sin(45 degrees). The left loop's leftmost point is START.
    d = (cx - START[0]) / (1 + math.sqrt(0.5))
    r = d * math.sqrt(0.5)
    left, right = cx - d, cx + d
    q = math.pi / 4
    # Tangent points: at 45 degrees from each loop's centre towards the crossing.
    la, lb = (left + r * math.cos(-q), cy + r * math.sin(-q)), (left + r * math.cos(q), cy + r * math.sin(q))
    ra, rb = ((right - r * math.cos(-q), cy + r * math.sin(-q)),
              (right - r * math.cos(q), cy + r * math.sin(q)))
    points = arc(left, cy, r, q, 2 * math.pi - q)  # the left loop, round its far side
    points += sample_segment(la, rb)  # up-left to down-right through the crossing
    points += arc(right, cy, r, math.pi + q, 3 * math.pi - q)  # the right loop
    points += sample_segment(ra, lb)
    course.draw(points)
    return course


def gap_corner():
    """Straight sides: right-angled corners, a sharp corner of 130 degrees to
    the left (top right), one of 91 degrees to the right (top middle), and a
    gap in the long bottom side."""
    course = Course(500, 400)
    x0, _ = START
    course.draw(polygon([(x0, 60), (x0, 340), (440, 340), (440, 60), (300, 180), (200, 60)]),
                gaps=[(250, 340, 16)])
    return course


def large():
    """A course larger than the window: most of it runs out of sight."""
    course = Course(1200, 900)
    x0, y0 = START
    course.draw(closed_spline([
        (x0, y0 - 100), (x0, y0), (x0, y0 + 100), (x0, 550), (90, 760), (300, 840), (600, 780),
        (900, 850), (1120, 780), (1140, 450), (1100, 120), (800, 60), (500, 150), (250, 60),
        (90, 70),
    ]))
    return course


# --- BMP files ----------------------------------------------------------------

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


def bmp_file(width, height, bpp, pixel_data, palette=(), compression=0, top_down=False):
    """A BMP file: 14-byte file header, 40-byte info header, colour table of
    4-byte entries (blue, green, red, 0), then the pixel data."""
    table = b"".join(struct.pack("<BBBx", b, g, r) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bpp,
                       compression, len(pixel_data), 2835, 2835, len(palette), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    return header + info + table + pixel_data


def padded(row):
    return row + bytes(-len(row) % 4)


def rows(course, top_down):
    order = range(course.height) if top_down else range(course.height - 1, -1, -1)
    for y in order:
        yield y, course.pixels[y * course.width:(y + 1) * course.width]


def bmp24(course):
    """24 bits per pixel, bottom row first."""
    data = bytearray()
    for _, row in rows(course, top_down=False):
        data += padded(b"".join(bytes(BLACK if p else WHITE) for p in row))
    return bmp_file(course.width, course.height, 24, bytes(data))


def grey_palette():
    """256 greys from black (0) to white (255): only entry 0 is pure black."""
    return [(i, i, i) for i in range(256)]


def bmp8(course, palette, black_index, white_index, top_down=False):
    """8 bits per pixel with a colour table."""
    data = bytearray()
    for _, row in rows(course, top_down):
        data += padded(bytes(black_index if p else white_index for p in row))
    return bmp_file(course.width, course.height, 8, bytes(data), palette, top_down=top_down)


def bmp1(course):
    """1 bit per pixel: entry 0 black, entry 1 white; the leftmost pixel of a
    byte is its top bit."""
    data = bytearray()
    for _, row in rows(course, top_down=False):
        packed = bytearray((course.width + 7) // 8)
        for x, p in enumerate(row):
            if not p:
                packed[x // 8] |= 0x80 >> (x % 8)
        data += padded(bytes(packed))
    return bmp_file(course.width, course.height, 1, bytes(data), [BLACK, WHITE])


def rle8_row(indices):
    """One row in RLE8: encoded runs of up to 255 equal pixels, then the
    end-of-line code 0 0. Rows of these courses are long runs of white with a
    few short runs of black, so encoded runs alone suffice."""
    out = bytearray()
    x = 0
    while x < len(indices):
        run = 1
        while x + run < len(indices) and run < 255 and indices[x + run] == indices[x]:
            run += 1
        out += bytes((run, indices[x]))
        x += run
    return out + b"\x00\x00"


def bmp_rle8(course):
    """8 bits per pixel, run-length encoded (compression 1), bottom row first:
    index 0 white, index 1 black; the last end-of-line becomes end-of-bitmap."""
    data = bytearray()
    for _, row in rows(course, top_down=False):
        data += rle8_row(bytes(row))
    data[-2:] = b"\x00\x01"
    return bmp_file(course.width, course.height, 8, bytes(data), [WHITE, BLACK], compression=1)


# The sample set: file name, course, encoder. Names sort by difficulty.
COURSES = [
    ("1-oval.bmp", oval, bmp24),
    ("2-bends.bmp", bends, lambda c: bmp8(c, grey_palette(), 0, 255)),
    ("3-eight.bmp", eight, bmp1),
    ("4-gap-corner.bmp", gap_corner, bmp_rle8),
    ("5-large.bmp", large, lambda c: bmp8(c, [WHITE, BLACK], 1, 0, top_down=True)),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.normpath(os.path.join(here, "..", "examples", "courses"))
    os.makedirs(out_dir, exist_ok=True)
    for name, build, encode in COURSES:
        course = build()
        if not course.black(*START) or not course.black(START[0], START[1] + 12):
            sys.exit(f"{name}: the start point {START} is not on the line")
        path = os.path.join(out_dir, name)
        with open(path, "wb") as f:
            f.write(encode(course))
        print(f"{path}: {course.width} x {course.height}")


if __name__ == "__main__":
    main()

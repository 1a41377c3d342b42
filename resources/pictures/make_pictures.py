#!/usr/bin/env python3
"""Writes the window's pictures as PNG files beside this script: the
application icon, the logo, the job-size, rotation, mirror, frame and
cutting-order pictures. Pure Python (zlib and struct only). Shapes are filled
on a grid four times finer than the picture and averaged down, which gives
smooth edges without a drawing library. Run from any folder:
    python3 resources/pictures/make_pictures.py
"""
import math
import os
import struct
import zlib

SS = 4  # samples per pixel along each axis

# Colours (red, green, blue, alpha)
INK = (0x2B, 0x4C, 0x7E, 0xFF)  # the program's dark blue
ACCENT = (0xE0, 0x59, 0x2A, 0xFF)  # orange-red for moves and turns
CUT = (0xE5, 0x39, 0x35, 0xFF)  # red cut line
PALE_CUT = (0xE6, 0x82, 0x82, 0xFF)  # cut lines of the cutting-order pictures
TRAVEL = (0xFF, 0x00, 0x00, 0xFF)
START = (0x00, 0xC8, 0x00, 0xFF)
GHOST = (0x9A, 0xA5, 0xB1, 0xFF)
FRAME = (0x1E, 0x64, 0xD2, 0xFF)
OUTLINE = (0x26, 0x2B, 0x33, 0xFF)
BLADE = (0xDD, 0xE2, 0xE8, 0xFF)
COLLAR = (0xD8, 0xA8, 0x30, 0xFF)
HANDLE = (0xF0, 0x8A, 0x24, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF, 0xFF)


class Canvas:
    """RGBA samples at SS times the picture's size; opaque fills only."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.sw, self.sh = width * SS, height * SS
        self.samples = bytearray(self.sw * self.sh * 4)  # transparent

    def _span(self, row, x0, x1, colour):
        x0 = max(0, x0)
        x1 = min(self.sw, x1)
        if x1 > x0:
            start = (row * self.sw + x0) * 4
            self.samples[start:start + (x1 - x0) * 4] = bytes(colour) * (x1 - x0)

    def polygon(self, contours, colour):
        """Even-odd fill of one or more closed contours, in picture pixels."""
        edges = []
        for contour in contours:
            pts = [(x * SS, y * SS) for x, y in contour]
            for i in range(len(pts)):
                (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % len(pts)]
                if ya != yb:
                    edges.append((xa, ya, xb, yb))
        if not edges:
            return
        top = max(0, int(math.floor(min(min(e[1], e[3]) for e in edges))))
        bottom = min(self.sh, int(math.ceil(max(max(e[1], e[3]) for e in edges))) + 1)
        for row in range(top, bottom):
            yc = row + 0.5
            xs = []
            for xa, ya, xb, yb in edges:
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                self._span(row, int(math.ceil(xs[i] - 0.5)), int(math.ceil(xs[i + 1] - 0.5)), colour)

    def disc(self, cx, cy, r, colour):
        self.polygon([circle_points(cx, cy, r)], colour)

    def ring(self, cx, cy, r, width, colour):
        self.polygon([circle_points(cx, cy, r + width / 2), circle_points(cx, cy, r - width / 2)], colour)

    def line(self, x0, y0, x1, y1, width, colour, caps=True):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        if length == 0:
            return
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([[(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]], colour)
        if caps:
            self.disc(x0, y0, width / 2, colour)
            self.disc(x1, y1, width / 2, colour)

    def polyline(self, points, width, colour):
        for (xa, ya), (xb, yb) in zip(points, points[1:]):
            self.line(xa, ya, xb, yb, width, colour)

    def rect(self, x, y, w, h, colour):
        self.polygon([[(x, y), (x + w, y), (x + w, y + h), (x, y + h)]], colour)

    def frame(self, x, y, w, h, width, colour):
        """A rectangle outline whose stroke is centred on the given edges."""
        o, i = width / 2, width / 2
        self.polygon([[(x - o, y - o), (x + w + o, y - o), (x + w + o, y + h + o), (x - o, y + h + o)],
                      [(x + i, y + i), (x + w - i, y + i), (x + w - i, y + h - i), (x + i, y + h - i)]], colour)

    def pixels(self):
        """Averages the samples down; straight (not premultiplied) alpha."""
        out = bytearray(self.width * self.height * 4)
        n = SS * SS
        for py in range(self.height):
            for px in range(self.width):
                r = g = b = a = 0
                for sy in range(py * SS, py * SS + SS):
                    base = (sy * self.sw + px * SS) * 4
                    for k in range(base, base + SS * 4, 4):
                        alpha = self.samples[k + 3]
                        r += self.samples[k] * alpha
                        g += self.samples[k + 1] * alpha
                        b += self.samples[k + 2] * alpha
                        a += alpha
                o = (py * self.width + px) * 4
                if a:
                    out[o:o + 4] = bytes((r // a, g // a, b // a, (a + n // 2) // n))
        return bytes(out)


def circle_points(cx, cy, r, steps=48):
    return [(cx + r * math.cos(2 * math.pi * k / steps), cy + r * math.sin(2 * math.pi * k / steps))
            for k in range(steps)]


def arc_points(cx, cy, r, start_deg, sweep_deg, steps=32):
    """Counter-clockwise on the screen (y grows downwards) for a positive sweep."""
    pts = []
    for k in range(steps + 1):
        a = math.radians(start_deg + sweep_deg * k / steps)
        pts.append((cx + r * math.cos(a), cy - r * math.sin(a)))
    return pts


def arrow_head(canvas, tip, direction, length, half_width, colour):
    dx, dy = direction
    norm = math.hypot(dx, dy)
    dx, dy = dx / norm, dy / norm
    bx, by = tip[0] - dx * length, tip[1] - dy * length
    canvas.polygon([[tip, (bx - dy * half_width, by + dx * half_width), (bx + dy * half_width, by - dx * half_width)]],
                   colour)


def arrow(canvas, start, end, width, head, colour):
    """A straight arrow whose shaft stops where the head begins."""
    dx, dy = end[0] - start[0], end[1] - start[1]
    length = math.hypot(dx, dy)
    shaft = (end[0] - dx / length * head * 0.8, end[1] - dy / length * head * 0.8)
    canvas.line(start[0], start[1], shaft[0], shaft[1], width, colour)
    arrow_head(canvas, end, (dx, dy), head, head * 0.55, colour)


def arc_arrow(canvas, cx, cy, r, start_deg, sweep_deg, width, head, colour):
    pts = arc_points(cx, cy, r, start_deg, sweep_deg)
    # Leave room for the head at the end of the arc.
    trim = math.degrees(head * 0.7 / r)
    body = arc_points(cx, cy, r, start_deg, sweep_deg - math.copysign(trim, sweep_deg))
    canvas.polyline(body, width, colour)
    end = pts[-1]
    a = math.radians(start_deg + sweep_deg)
    tangent = (-math.sin(a), -math.cos(a)) if sweep_deg > 0 else (math.sin(a), math.cos(a))
    arrow_head(canvas, end, tangent, head, head * 0.6, colour)


# A 5 x 7 block font for the logo lettering.
GLYPHS = {
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
}


def lettering(canvas, text, x, y, scale, gap, colour):
    for ch in text:
        for row, line in enumerate(GLYPHS[ch]):
            for col, mark in enumerate(line):
                if mark == "#":
                    canvas.rect(x + col * scale, y + row * scale, scale, scale, colour)
        x += 5 * scale + gap
    return x


def grow(contour, amount):
    """Moves every corner of a convex contour away from its centre."""
    cx = sum(p[0] for p in contour) / len(contour)
    cy = sum(p[1] for p in contour) / len(contour)
    out = []
    for px, py in contour:
        d = max(1e-9, math.hypot(px - cx, py - cy))
        out.append((px + (px - cx) / d * amount, py + (py - cy) / d * amount))
    return out


def knife(canvas, tip, end, width):
    """A craft knife lying from its blade tip to the end of its handle."""
    ax, ay = end[0] - tip[0], end[1] - tip[1]
    length = math.hypot(ax, ay)
    ux, uy = ax / length, ay / length  # along the knife
    nx, ny = -uy, ux  # across it

    def at(t, s):
        return (tip[0] + ux * length * t + nx * width * s, tip[1] + uy * length * t + ny * width * s)

    outline = width * 0.12
    blade = [at(0, 0.5), at(0.30, 0.5), at(0.30, -0.5), at(0.10, -0.5)]
    collar = [at(0.29, 0.6), at(0.40, 0.6), at(0.40, -0.6), at(0.29, -0.6)]
    handle_start, handle_end = at(0.40, 0), at(1.0, 0)
    # Outline first, a little larger, then the parts.
    for contour in (blade, collar):
        canvas.polygon([grow(contour, outline)], OUTLINE)
    canvas.line(handle_start[0], handle_start[1], handle_end[0], handle_end[1], width + 2 * outline, OUTLINE)
    canvas.line(handle_start[0], handle_start[1], handle_end[0], handle_end[1], width, HANDLE)
    canvas.polygon([blade], BLADE)
    canvas.polygon([collar], COLLAR)
    # A groove along the handle.
    g0, g1 = at(0.50, 0), at(0.90, 0)
    canvas.line(g0[0], g0[1], g1[0], g1[1], width * 0.16, OUTLINE)


def rounded_rect(x, y, w, h, r, steps=8):
    pts = []
    for cx, cy, start in ((x + w - r, y + r, -90), (x + w - r, y + h - r, 0), (x + r, y + h - r, 90),
                          (x + r, y + r, 180)):
        for k in range(steps + 1):
            a = math.radians(start + 90 * k / steps)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def mark(canvas, size):
    """The application's mark: a knife finishing a round red cut."""
    s = size / 64.0
    canvas.polygon([rounded_rect(1 * s, 1 * s, 62 * s, 62 * s, 12 * s)], INK)
    cx, cy, r = 29 * s, 40 * s, 14 * s
    cut = arc_points(cx, cy, r, 100, 300)
    canvas.polyline(cut, max(1.0, 4.2 * s), WHITE)
    canvas.polyline(cut, max(1.0, 2.4 * s), CUT)
    tip = arc_points(cx, cy, r, 100, 0, steps=1)[0]
    knife(canvas, tip, (tip[0] + 21 * s, tip[1] - 18 * s), 8.5 * s)


def feature_picture():
    c = Canvas(96, 72)
    c.rect(0, 0, 96, 72, WHITE)
    c.frame(6.5, 6.5, 83, 59, 1.5, FRAME)
    # The job: a rounded shape well inside the frame.
    c.polygon([rounded_rect(27, 22, 42, 28, 7)], CUT)
    c.polygon([rounded_rect(29, 24, 38, 24, 5)], WHITE)
    # The four margins, each marked with a double arrow between job and frame.
    for start, end in (((8, 36), (26, 36)), ((88, 36), (70, 36)), ((48, 8), (48, 21)), ((48, 64), (48, 51))):
        mid = ((start[0] + end[0]) / 2, (start[1] + end[1]) / 2)
        arrow(c, mid, end, 1.2, 4, OUTLINE)
        arrow(c, mid, start, 1.2, 4, OUTLINE)
    return c


def letter_f(canvas, cx, cy, size, turns, colour):
    """An upright F (turns = 0) turned counter-clockwise by quarter turns."""
    u = size / 16.0
    strokes = [((-3, -5), (-3, 5)), ((-3, -5), (3.5, -5)), ((-3, 0), (2, 0))]
    a = math.radians(90 * turns)
    for (xa, ya), (xb, yb) in strokes:
        def turned(x, y):
            # screen y grows downwards: a counter-clockwise turn on the screen
            return (cx + (x * math.cos(a) + y * math.sin(a)) * u, cy + (-x * math.sin(a) + y * math.cos(a)) * u)
        pa, pb = turned(xa, ya), turned(xb, yb)
        canvas.line(pa[0], pa[1], pb[0], pb[1], 2.2 * u, colour)


def rotation_menu_picture(quarter_turns):
    c = Canvas(16, 16)
    if quarter_turns == 0:
        letter_f(c, 8, 8, 16, 0, INK)
    else:
        arc_arrow(c, 8, 8, 5.6, 0, 90 * quarter_turns, 1.9, 4.8, ACCENT)
        c.disc(8, 8, 1.5, INK)
    return c


def rotation_state_picture(quarter_turns):
    c = Canvas(20, 20)
    c.ring(10, 10, 8.6, 1.0, GHOST)
    letter_f(c, 10, 10, 17, quarter_turns, INK)
    return c


def mirror_picture(on):
    c = Canvas(20, 20)
    for y in range(1, 20, 4):
        c.line(10, y, 10, min(y + 2, 19), 1.0, GHOST, caps=False)
    left = [(8.5, 3), (8.5, 17), (2, 17)]
    right = [(11.5, 3), (11.5, 17), (18, 17)]
    if on:
        for (xa, ya), (xb, yb) in zip(left, left[1:] + left[:1]):
            c.line(xa, ya, xb, yb, 1.1, GHOST)
        c.polygon([right], INK)
    else:
        c.polygon([left], INK)
    return c


def extent_picture(horizontal):
    c = Canvas(32, 32)
    def p(a, b):
        return (a, b) if horizontal else (b, a)
    bar0, bar1 = p(4, 9), p(4, 23)
    c.line(*bar0, *bar1, 2.0, INK)
    bar0, bar1 = p(28, 9), p(28, 23)
    c.line(*bar0, *bar1, 2.0, INK)
    mid = p(16, 16)
    arrow(c, mid, p(6.5, 16), 2.2, 7, ACCENT)
    arrow(c, mid, p(25.5, 16), 2.2, 7, ACCENT)
    return c


def order_picture(reduce_feed):
    """Four shapes in a square and the travel between them: in file order the
    moves cross the job; in the banded order they run round it."""
    c = Canvas(24, 24)
    cells = {"tl": (2, 2), "tr": (15, 2), "bl": (2, 15), "br": (15, 15)}
    for x, y in cells.values():
        c.frame(x + 0.5, y + 0.5, 6, 6, 1.3, PALE_CUT)
    centre = {k: (x + 3.5, y + 3.5) for k, (x, y) in cells.items()}
    route = ["tr", "tl", "bl", "br"] if reduce_feed else ["tl", "br", "tr", "bl"]
    for a, b in zip(route, route[1:]):
        (xa, ya), (xb, yb) = centre[a], centre[b]
        dx, dy = xb - xa, yb - ya
        length = math.hypot(dx, dy)
        inset = 4.2 if abs(dx) > 0 and abs(dy) > 0 else 4.0
        start = (xa + dx / length * inset, ya + dy / length * inset)
        end = (xb - dx / length * inset, yb - dy / length * inset)
        arrow(c, start, end, 1.3, 3.6, TRAVEL)
    sx, sy = centre[route[0]]
    c.disc(sx, sy, 1.8, START)
    return c


def logo():
    c = Canvas(192, 64)
    sub = Canvas(56, 56)
    mark(sub, 56)
    blit(c, sub, 4, 4)
    end = lettering(c, "KERFMAX", 66, 14, 3, 3, INK)
    c.line(67, 45, end - 4, 45, 2.4, CUT)
    return c


def blit(target, source, x, y):
    """Copies source's samples into target at whole pixels (x, y); keeps transparency."""
    for row in range(source.sh):
        ty = row + y * SS
        if not 0 <= ty < target.sh:
            continue
        for col in range(source.sw):
            k = (row * source.sw + col) * 4
            if source.samples[k + 3]:
                t = (ty * target.sw + col + x * SS) * 4
                target.samples[t:t + 4] = source.samples[k:k + 4]


def application_icon(size):
    c = Canvas(size, size)
    mark(c, size)
    return c


def png(width, height, rgba):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def pictures():
    yield "bitmap128", application_icon(64)
    for size in (16, 24, 32, 48, 64, 128, 256):
        yield "icon128_%d" % size, application_icon(size)
    yield "bitmap129", extent_picture(horizontal=True)
    yield "bitmap130", extent_picture(horizontal=False)
    yield "bitmap134", rotation_menu_picture(0)
    yield "bitmap136", rotation_menu_picture(1)
    yield "bitmap137", rotation_menu_picture(2)
    yield "bitmap138", rotation_menu_picture(3)
    yield "bitmap139", mirror_picture(False)
    yield "bitmap140", mirror_picture(True)
    for k, ident in enumerate((141, 142, 143, 144)):
        yield "bitmap%d" % ident, rotation_state_picture(k)
    yield "bitmap151", feature_picture()
    yield "bitmap153", logo()
    yield "bitmap164", order_picture(True)
    yield "bitmap166", order_picture(False)
    yield "bitmap167", order_picture(False)
    yield "bitmap168", order_picture(True)


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, canvas in pictures():
        with open(os.path.join(folder, name + ".png"), "wb") as out:
            out.write(png(canvas.width, canvas.height, canvas.pixels()))


if __name__ == "__main__":
    main()

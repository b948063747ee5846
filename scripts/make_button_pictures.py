#!/usr/bin/env python3
"""Draws the shelf and time-control button pictures of prefs/Buttons/.

Every picture is a 24-bit BMP drawn here from a few shapes in one style:
light grey ground, dark outlines two pixels wide, one accent colour.
Shelf buttons are 32 x 32, the time buttons 24 x 24. Run it from the
repository root after changing a glyph and commit what it writes:

    python3 scripts/make_button_pictures.py
"""
import math
import os
import struct
import sys

GROUND = (212, 208, 200)
INK = (40, 40, 40)
BLUE = (40, 100, 200)
GREEN = (30, 150, 60)
RED = (200, 40, 40)
ORANGE = (230, 140, 20)
WHITE = (250, 250, 250)
PAPER = (245, 245, 235)

# A 5 x 7 font for the few letters the view buttons carry.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
}


class Canvas:
    def __init__(self, size):
        self.w = self.h = size
        self.px = [[GROUND] * size for _ in range(size)]

    def dot(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c, t=2):
        self.rect(x0, y0, x1, y0 + t - 1, c)
        self.rect(x0, y1 - t + 1, x1, y1, c)
        self.rect(x0, y0, x0 + t - 1, y1, c)
        self.rect(x1 - t + 1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c, t=2):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        r = t / 2.0
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dy in range(-2, 3):
                for dx in range(-2, 3):
                    if (dx + 0.5) ** 2 + (dy + 0.5) ** 2 <= r * r + 0.25:
                        self.dot(math.floor(x + dx + 0.5), math.floor(y + dy + 0.5), c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.px[y][x] = c

    def ring(self, cx, cy, r, c, t=2):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - t <= d <= r:
                    self.px[y][x] = c

    def poly(self, pts, c):
        for y in range(self.h):
            yc = y + 0.5
            xs = []
            for i in range(len(pts)):
                (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % len(pts)]
                if (ya <= yc < yb) or (yb <= yc < ya):
                    xs.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(self.w):
                    if a <= x + 0.5 <= b:
                        self.px[y][x] = c

    def text(self, s, x, y, c):
        for ch in s:
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        self.dot(x + col, y + row, c)
            x += 6

    def plus(self, cx, cy, c, r=4):
        self.rect(cx - r, cy - 1, cx + r - 1, cy, c)
        self.rect(cx - 1, cy - r, cx, cy + r - 1, c)

    def minus(self, cx, cy, c, r=4):
        self.rect(cx - r, cy - 1, cx + r - 1, cy, c)

    def bmp(self):
        stride = (self.w * 3 + 3) & ~3
        rows = b""
        for y in reversed(range(self.h)):
            row = b"".join(bytes((b, g, r)) for (r, g, b) in self.px[y])
            rows += row + b"\0" * (stride - len(row))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        return header + info + rows


def page(c, x0=7, y0=4, x1=24, y1=27):
    c.rect(x0, y0, x1, y1, PAPER)
    c.frame(x0, y0, x1, y1, INK, 1)
    for y in range(y0 + 5, y1 - 3, 4):
        c.rect(x0 + 3, y, x1 - 3, y, (150, 150, 150))


def arrow_right(c, x0, x1, y, col):
    c.line(x0, y, x1 - 4, y, col, 3)
    c.poly([(x1 - 6, y - 6), (x1 + 1, y + 0.5), (x1 - 6, y + 7)], col)


def arrow_left(c, x0, x1, y, col):
    c.line(x0 + 4, y, x1, y, col, 3)
    c.poly([(x0 + 6, y - 6), (x0 - 1, y + 0.5), (x0 + 6, y + 7)], col)


def create_shader(c):
    c.disc(14, 17, 10, BLUE)
    c.disc(11, 13, 4, (120, 170, 240))
    c.ring(14, 17, 10, INK)
    c.plus(25, 7, GREEN, 5)


def add_layer(c):
    for i, y in enumerate((20, 14, 8)):
        col = BLUE if i == 2 else (120, 170, 240)
        c.poly([(4, y + 4), (14, y), (24, y + 4), (14, y + 8)], col)
        c.line(4, y + 4, 14, y + 8, INK, 1)
        c.line(14, y + 8, 24, y + 4, INK, 1)
    c.plus(26, 24, GREEN, 5)


def duplicate(c):
    c.rect(4, 4, 18, 18, (120, 170, 240))
    c.frame(4, 4, 18, 18, INK)
    c.rect(12, 12, 27, 27, BLUE)
    c.frame(12, 12, 27, 27, INK)


def delete(c):
    c.line(7, 7, 24, 24, RED, 4)
    c.line(24, 7, 7, 24, RED, 4)


def import_shaders(c):
    page(c, 12, 4, 28, 27)
    arrow_right(c, 2, 19, 16, GREEN)


def export_shaders(c):
    page(c, 3, 4, 19, 27)
    arrow_right(c, 12, 29, 16, ORANGE)


def curved(c, direction):
    # A half ring over the top with an arrow head at one end.
    for a in range(0, 181, 3):
        t = math.radians(a)
        c.line(16 + 9 * math.cos(t), 18 - 9 * math.sin(t),
               16 + 9 * math.cos(t), 18 - 9 * math.sin(t), BLUE, 3)
    if direction < 0:
        c.poly([(1, 17), (13, 17), (7, 25)], BLUE)
    else:
        c.poly([(19, 17), (31, 17), (25, 25)], BLUE)


def cube_letters(letters):
    def draw(c):
        c.poly([(6, 10), (12, 4), (27, 4), (21, 10)], (150, 190, 240))
        c.poly([(21, 10), (27, 4), (27, 19), (21, 25)], (90, 130, 200))
        c.rect(6, 10, 21, 25, WHITE)
        c.frame(6, 10, 21, 25, INK, 1)
        c.line(6, 10, 12, 4, INK, 1)
        c.line(12, 4, 27, 4, INK, 1)
        c.line(27, 4, 27, 19, INK, 1)
        c.line(27, 19, 21, 25, INK, 1)
        c.line(21, 10, 27, 4, INK, 1)
        width = 6 * len(letters) - 1
        c.rect(16 - width // 2 - 1, 14, 16 - width // 2 + width, 22, ORANGE)
        c.text(letters, 16 - width // 2, 15, INK)
    return draw


def brackets(c):
    for (x, y, dx, dy) in ((3, 3, 1, 1), (28, 3, -1, 1), (3, 28, 1, -1), (28, 28, -1, -1)):
        c.line(x, y, x + 7 * dx, y, INK)
        c.line(x, y, x, y + 7 * dy, INK)


def frame_all(c):
    brackets(c)
    c.disc(11, 12, 3.5, BLUE)
    c.disc(21, 11, 3.5, BLUE)
    c.disc(15, 21, 3.5, BLUE)


def frame_selected(c):
    brackets(c)
    c.disc(16, 16, 5.5, ORANGE)
    c.ring(16, 16, 5.5, INK, 1)


def magnifier(sign):
    def draw(c):
        c.disc(13, 13, 9, WHITE)
        c.ring(13, 13, 9, INK, 2)
        c.line(20, 20, 28, 28, INK, 4)
        if sign > 0:
            c.plus(13, 13, GREEN, 5)
        else:
            c.minus(13, 13, RED, 5)
    return draw


def material_edit(c):
    c.rect(11, 3, 21, 10, BLUE)
    c.frame(11, 3, 21, 10, INK, 1)
    c.line(16, 11, 16, 15, INK, 1)
    c.line(7, 15, 25, 15, INK, 1)
    for x in (3, 20):
        c.line(x + 4, 15, x + 4, 19, INK, 1)
        c.rect(x, 19, x + 9, 27, (120, 170, 240))
        c.frame(x, 19, x + 9, 27, INK, 1)


def scene_outline(c):
    c.rect(3, 3, 28, 28, WHITE)
    c.frame(3, 3, 28, 28, INK, 1)
    for i, (indent, y) in enumerate(((6, 7), (11, 13), (11, 19), (6, 25))):
        c.rect(indent, y - 1, indent + 3, y + 2, BLUE if i % 3 == 0 else ORANGE)
        c.rect(indent + 6, y, 25, y + 1, INK)


def prev_frame(c):
    c.rect(5, 5, 7, 18, INK)
    c.poly([(19, 4.5), (8, 11.5), (19, 19.5)], BLUE)


def play(c):
    c.poly([(7, 4), (19, 12), (7, 20)], GREEN)


def next_frame(c):
    c.rect(16, 5, 18, 18, INK)
    c.poly([(4, 4.5), (15, 11.5), (4, 19.5)], BLUE)


PICTURES = {
    "KPrimitiveCreateMaterial": (32, create_shader),
    "KMaterialAddLayer": (32, add_layer),
    "KObjectDuplicateSelected": (32, duplicate),
    "KObjectDeleteSelected": (32, delete),
    "KFileImportShaders": (32, import_shaders),
    "KFileExportShaders": (32, export_shaders),
    "KEditUndo": (32, lambda c: curved(c, -1)),
    "KEditRedo": (32, lambda c: curved(c, 1)),
    "KViewportPersp": (32, cube_letters("P")),  # the perspective preset's, name shortened
    "KViewportTop": (32, cube_letters("T")),
    "KViewportFront": (32, cube_letters("F")),
    "KViewportRight": (32, cube_letters("R")),
    "KViewportBottom": (32, cube_letters("B")),
    "KViewportBack": (32, cube_letters("K")),
    "KViewportLeft": (32, cube_letters("L")),
    "KViewportFrameAll": (32, frame_all),
    "KViewportFrameSelected": (32, frame_selected),
    "KViewportZoomIn": (32, magnifier(1)),
    "KViewportZoomOut": (32, magnifier(-1)),
    "KViewportMaterialEdit": (32, material_edit),
    "KViewportSceneOutline": (32, scene_outline),
    "KControlPrevFrame": (24, prev_frame),
    "KControlPlayCamera": (24, play),
    "KControlNextFrame": (24, next_frame),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join("prefs", "Buttons")
    os.makedirs(out, exist_ok=True)
    for name, (size, draw) in PICTURES.items():
        c = Canvas(size)
        draw(c)
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(c.bmp())


if __name__ == "__main__":
    main()

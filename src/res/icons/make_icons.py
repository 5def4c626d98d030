#!/usr/bin/env python3
"""Draws Vantoria's toolbar and application icons and writes them as PNG files beside this script.

Pure Python (zlib and struct only), so it runs anywhere: shapes are polygons rasterised with
8 x 8 supersampling and composited "over" in straight alpha. Run it again after changing a
picture and commit the PNG files; the build only reads the PNGs.
"""
import math
import os
import struct
import zlib

SAMPLES = 8  # per pixel edge

INK = (48, 52, 60, 255)
FOLDER_BACK = (214, 158, 46, 255)
FOLDER_FRONT = (246, 200, 80, 255)
DISK_BODY = (46, 92, 170, 255)
DISK_DARK = (26, 52, 104, 255)
METAL = (196, 202, 210, 255)
LABEL = (250, 250, 250, 255)
PENCIL = (240, 150, 40, 255)
PENCIL_TIP = (250, 220, 170, 255)
BLUE = (40, 110, 200, 255)
GREEN = (40, 150, 80, 255)
GREY = (120, 126, 134, 255)
SELECT_FILL = (170, 200, 240, 110)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, polygons, colour):
        """Fills the union of the polygons (non-zero winding) with colour, anti-aliased."""
        if isinstance(polygons[0][0], (int, float)):
            polygons = [polygons]
        xs = [p[0] for poly in polygons for p in poly]
        ys = [p[1] for poly in polygons for p in poly]
        x0, x1 = max(0, int(min(xs))), min(self.size - 1, int(math.ceil(max(xs))))
        y0, y1 = max(0, int(min(ys))), min(self.size - 1, int(math.ceil(max(ys))))
        step = 1.0 / SAMPLES
        for py in range(y0, y1 + 1):
            for px in range(x0, x1 + 1):
                hits = 0
                for sy in range(SAMPLES):
                    y = py + (sy + 0.5) * step
                    for sx in range(SAMPLES):
                        x = px + (sx + 0.5) * step
                        if winding(polygons, x, y) != 0:
                            hits += 1
                if hits:
                    self.blend(px, py, colour, hits / (SAMPLES * SAMPLES))

    def blend(self, x, y, colour, coverage):
        r, g, b, a = colour
        sa = a / 255.0 * coverage
        dr, dg, db, da = self.pixels[y][x]
        out_a = sa + da * (1 - sa)
        if out_a <= 0:
            return
        mix = lambda s, d: (s * sa + d * da * (1 - sa)) / out_a
        self.pixels[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), out_a)

    def mirrored(self):
        copy = Canvas(self.size)
        copy.pixels = [list(reversed(row)) for row in self.pixels]
        return copy

    def transposed(self):
        copy = Canvas(self.size)
        copy.pixels = [[self.pixels[x][y] for x in range(self.size)] for y in range(self.size)]
        return copy

    def write_png(self, path):
        raw = bytearray()
        for row in self.pixels:
            raw.append(0)  # filter: none
            for r, g, b, a in row:
                raw += bytes((clamp(r), clamp(g), clamp(b), clamp(a * 255)))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", header))
            out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
            out.write(chunk(b"IEND", b""))


def clamp(value):
    return max(0, min(255, int(round(value))))


def winding(polygons, x, y):
    total = 0
    for poly in polygons:
        n = len(poly)
        for i in range(n):
            (ax, ay), (bx, by) = poly[i], poly[(i + 1) % n]
            if ay <= y < by and cross(ax, ay, bx, by, x, y) > 0:
                total += 1
            elif by <= y < ay and cross(ax, ay, bx, by, x, y) < 0:
                total -= 1
    return total


def cross(ax, ay, bx, by, x, y):
    return (bx - ax) * (y - ay) - (x - ax) * (by - ay)


# --- shape helpers (coordinates in pixels, y down) ---

def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def frame(x0, y0, x1, y1, width):
    """Outline of a rectangle as one polygon pair (outer clockwise, inner counter-clockwise)."""
    w = width
    return [rect(x0, y0, x1, y1), list(reversed(rect(x0 + w, y0 + w, x1 - w, y1 - w)))]


def line(ax, ay, bx, by, width):
    length = math.hypot(bx - ax, by - ay)
    nx, ny = -(by - ay) / length * width / 2, (bx - ax) / length * width / 2
    return [(ax + nx, ay + ny), (bx + nx, by + ny), (bx - nx, by - ny), (ax - nx, ay - ny)]


def arc(cx, cy, radius, start, end, width, steps=48):
    """A thick arc from angle start to end (degrees, clockwise on screen since y points down)."""
    outer, inner = [], []
    for i in range(steps + 1):
        t = math.radians(start + (end - start) * i / steps)
        outer.append((cx + (radius + width / 2) * math.cos(t), cy + (radius + width / 2) * math.sin(t)))
        inner.append((cx + (radius - width / 2) * math.cos(t), cy + (radius - width / 2) * math.sin(t)))
    return outer + list(reversed(inner))


def circle(cx, cy, radius, steps=64):
    return [(cx + radius * math.cos(2 * math.pi * i / steps),
             cy + radius * math.sin(2 * math.pi * i / steps)) for i in range(steps)]


def rounded_rect(x0, y0, x1, y1, radius, steps=12):
    points = []
    corners = [(x1 - radius, y0 + radius, -90), (x1 - radius, y1 - radius, 0),
               (x0 + radius, y1 - radius, 90), (x0 + radius, y0 + radius, 180)]
    for cx, cy, start in corners:
        for i in range(steps + 1):
            t = math.radians(start + 90 * i / steps)
            points.append((cx + radius * math.cos(t), cy + radius * math.sin(t)))
    return points


def arrow_head(tip_x, tip_y, direction_deg, length, half_width):
    """A filled triangle whose tip points along direction."""
    d = math.radians(direction_deg)
    bx, by = tip_x - length * math.cos(d), tip_y - length * math.sin(d)
    nx, ny = -math.sin(d) * half_width, math.cos(d) * half_width
    return [(tip_x, tip_y), (bx + nx, by + ny), (bx - nx, by - ny)]


# --- the pictures ---

def folder():
    c = Canvas(16)
    back = [(1, 3), (6, 3), (7.5, 4.5), (14, 4.5), (14, 13.5), (1, 13.5)]
    c.fill(back, INK)
    c.fill([(2, 4), (5.6, 4), (7.1, 5.5), (13, 5.5), (13, 12.5), (2, 12.5)], FOLDER_BACK)
    front = [(3.5, 7), (15.5, 7), (13.5, 13.5), (1, 13.5)]
    c.fill(front, INK)
    c.fill([(4.2, 8), (14.2, 8), (12.8, 12.5), (2.4, 12.5)], FOLDER_FRONT)
    return c


def disk(c, x0=1, y0=1, x1=15, y1=15):
    c.fill(rounded_rect(x0, y0, x1, y1, 1.2), DISK_DARK)
    c.fill(rounded_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 0.6), DISK_BODY)
    w = x1 - x0
    c.fill(rect(x0 + w * 0.28, y0 + 1, x1 - w * 0.2, y0 + 5), METAL)          # shutter
    c.fill(rect(x0 + w * 0.58, y0 + 1.8, x0 + w * 0.70, y0 + 4.2), DISK_DARK)  # its slot
    c.fill(rect(x0 + 2.5, y0 + 7.5, x1 - 2.5, y1 - 1), LABEL)                  # label
    c.fill(rect(x0 + 3.5, y0 + 9, x1 - 3.5, y0 + 10), GREY)
    c.fill(rect(x0 + 3.5, y0 + 11, x1 - 4.5, y0 + 12), GREY)
    return c


def floppy():
    return disk(Canvas(16))


def floppy_with_pencil():
    c = disk(Canvas(16), 0, 0, 13, 13)
    # Pencil from the upper right down to the lower left corner of its box, tip at (8, 15).
    body = line(15.2, 7.2, 10.4, 12.0, 3.2)
    c.fill(body, INK)
    c.fill(line(15.0, 7.4, 10.6, 11.8, 2.0), PENCIL)
    tip = [(8.0, 15.0), (9.0, 10.6), (12.4, 14.0)]
    c.fill(tip, INK)
    c.fill([(8.8, 14.2), (9.4, 11.6), (11.4, 13.6)], PENCIL_TIP)
    c.fill([(8.0, 15.0), (8.5, 13.0), (10.0, 14.5)], INK)
    return c


def mirror_horizontal():
    c = Canvas(16)
    for y in range(1, 15, 3):
        c.fill(rect(7.5, y, 8.5, y + 2), GREY)                            # dashed axis
    c.fill([(0.5, 8), (6, 3), (6, 13)], INK)
    c.fill([(1.9, 8), (5.1, 5.1), (5.1, 10.9)], BLUE)                      # the original
    c.fill([[(15.5, 8), (10, 3), (10, 13)],
            list(reversed([(14.1, 8), (10.9, 5.1), (10.9, 10.9)]))], INK)  # its reflection
    return c


def rotate_right():
    c = Canvas(16)
    cx, cy, radius, end = 8, 8.5, 5, 380
    c.fill(arc(cx, cy, radius, 110, end, 2.2), GREEN)
    # The head continues the arc along its clockwise tangent.
    t = math.radians(end)
    direction = end + 90
    d = math.radians(direction)
    tip_x = cx + radius * math.cos(t) + 3.0 * math.cos(d)
    tip_y = cy + radius * math.sin(t) + 3.0 * math.sin(d)
    c.fill(arrow_head(tip_x, tip_y, direction, 4.6, 3.4), GREEN)
    return c


def undo():
    c = Canvas(16)
    c.fill(arc(9, 9, 4.2, -90, 90, 2.2), BLUE)            # the turn, open to the left
    c.fill(rect(5, 12.1, 9.05, 14.3), BLUE)                # tail at the bottom
    c.fill(rect(5.5, 3.7, 9.05, 5.9), BLUE)                # shaft at the top
    c.fill(arrow_head(0.8, 4.8, 180, 5.2, 3.8), BLUE)      # head pointing left
    return c


def select_all():
    c = Canvas(16)
    c.fill(rect(1.5, 1.5, 14.5, 14.5), SELECT_FILL)
    dash = 2
    for i in range(1, 15, dash * 2):
        end = min(i + dash, 15)
        c.fill(rect(i, 1, end, 2), INK)         # top
        c.fill(rect(i, 14, end, 15), INK)       # bottom
        c.fill(rect(1, i, 2, end), INK)         # left
        c.fill(rect(14, i, 15, end), INK)       # right
    return c


LENS = (225, 238, 250, 255)


def magnifier(sign):
    """A lens with a handle; sign is "+", "-" or "=" (a single pixel block: actual size)."""
    c = Canvas(16)
    c.fill(circle(6.5, 6.5, 4.0), LENS)
    c.fill([circle(6.5, 6.5, 5.2), list(reversed(circle(6.5, 6.5, 3.9)))], INK)
    c.fill(line(10.2, 10.2, 14.6, 14.6, 2.6), INK)
    if sign in "+-":
        c.fill(rect(4.2, 5.9, 8.8, 7.1), BLUE)
    if sign == "+":
        c.fill(rect(5.9, 4.2, 7.1, 8.8), BLUE)
    if sign == "=":
        c.fill(rect(5, 5, 8, 8), BLUE)
    return c


def zoom_fit():
    c = Canvas(16)
    c.fill(frame(1, 1, 15, 15, 1.2), INK)
    c.fill(rect(4.5, 4.5, 11.5, 11.5), SELECT_FILL)
    for tip_x, tip_y, direction in ((3, 3, 225), (13, 3, 315), (13, 13, 45), (3, 13, 135)):
        c.fill(arrow_head(tip_x, tip_y, direction, 3.6, 2.6), BLUE)
    return c


def application(size):
    """A framed landscape photo on a rounded blue tile: a sun over two green hills."""
    c = Canvas(size)
    s = size / 48.0
    c.fill(rounded_rect(1 * s, 1 * s, 47 * s, 47 * s, 9 * s), (30, 86, 160, 255))
    c.fill(rounded_rect(7 * s, 9 * s, 41 * s, 39 * s, 2 * s), (252, 252, 252, 255))
    c.fill(rect(10 * s, 12 * s, 38 * s, 36 * s), (150, 205, 245, 255))       # sky
    c.fill(circle(30 * s, 19 * s, 4 * s), (255, 200, 40, 255))              # sun
    c.fill([(10 * s, 36 * s), (10 * s, 28 * s), (19 * s, 20 * s), (28 * s, 29 * s),
            (28 * s, 36 * s)], (60, 150, 70, 255))                         # far hill
    c.fill([(18 * s, 36 * s), (29 * s, 25 * s), (38 * s, 32 * s), (38 * s, 36 * s)],
           (40, 120, 55, 255))                                             # near hill
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    mirror_h = mirror_horizontal()
    right = rotate_right()
    back = undo()
    pictures = {
        "open": folder(),
        "save": floppy(),
        "save_as": floppy_with_pencil(),
        "mirror_horizontal": mirror_h,
        "mirror_vertical": mirror_h.transposed(),
        "rotate_right": right,
        "rotate_left": right.mirrored(),
        "undo": back,
        "redo": back.mirrored(),
        "select_all": select_all(),
        "zoom_in": magnifier("+"),
        "zoom_out": magnifier("-"),
        "zoom_actual": magnifier("="),
        "zoom_fit": zoom_fit(),
    }
    for size in (16, 32, 48, 256):
        pictures["vantoria-%d" % size] = application(size)
    for name, canvas in pictures.items():
        canvas.write_png(os.path.join(here, name + ".png"))


if __name__ == "__main__":
    main()

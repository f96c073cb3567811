#!/usr/bin/env python3
"""Draws the utility's artwork: the program icon, the toolbar strip, the banner,
six terminal pictures, the About window's product picture and the loop
test's three pictures. Python 3 standard library only; the output is
committed, so the build never runs this. Usage: make_art.py [output dir]."""

import struct
import sys
from pathlib import Path

# Glyphs as rows separated by blanks, "#" set: 5x7 for text, 3x5 for the
# labels inside 32x32 icons. Only the characters the pictures use: a missing
# one is an error (KeyError) rather than a silent gap.
FONT5_ROWS = {
    "A": ".###. #...# #...# ##### #...# #...# #...#", "C": ".###. #...# #.... #.... #.... #...# .###.",
    "D": "####. #...# #...# #...# #...# #...# ####.", "K": "#...# #..#. #.#.. ##... #.#.. #..#. #...#",
    "L": "#.... #.... #.... #.... #.... #.... #####", "O": ".###. #...# #...# #...# #...# #...# .###.",
    "P": "####. #...# #...# ####. #.... #.... #....", "S": ".#### #.... #.... .###. ....# ....# ####.",
    "U": "#...# #...# #...# #...# #...# #...# .###.", "V": "#...# #...# #...# #...# #...# .#.#. ..#..",
    "X": "#...# #...# .#.#. ..#.. .#.#. #...# #...#", "a": "..... ..... .###. ....# .#### #...# .####",
    "e": "..... ..... .###. #...# ##### #.... .###.", "h": "#.... #.... #.##. ##..# #...# #...# #...#",
    "i": "..#.. ..... .##.. ..#.. ..#.. ..#.. .###.", "l": ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "n": "..... ..... #.##. ##..# #...# #...# #...#", "o": "..... ..... .###. #...# #...# #...# .###.",
    "p": "..... ####. #...# #...# ####. #.... #....", "r": "..... ..... #.##. ##..# #.... #.... #....",
    "s": "..... ..... .#### #.... .###. ....# ####.", "t": ".#... .#... ####. .#... .#... .#..# ..##.",
    "u": "..... ..... #...# #...# #...# #..## .##.#", "w": "..... ..... #...# #...# #.#.# #.#.# .#.#.",
    "x": "..... ..... #...# .#.#. ..#.. .#.#. #...#", "y": "..... ..... #...# #...# .#### ....# .###.",
    "1": "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.", "2": ".###. #...# ....# ...#. ..#.. .#... #####",
    "3": "##### ...#. ..#.. ...#. ....# #...# .###.", "4": "...#. ..##. .#.#. #..#. ##### ...#. ...#.",
    "6": "..##. .#... #.... ####. #...# #...# .###.", "8": ".###. #...# #...# .###. #...# #...# .###.",
    "9": ".###. #...# #...# .#### ....# ...#. .##..", "-": "..... ..... ..... .###. ..... ..... .....",
    "(": "...#. ..#.. .#... .#... .#... ..#.. ...#.", "R": "####. #...# #...# ####. #.#.. #..#. #...#",
    "F": "##### #.... #.... ####. #.... #.... #....", "I": ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "g": "..... .#### #...# #...# .#### ....# .###.", ")": ".#... ..#.. ...#. ...#. ...#. ..#.. .#...",
    " ": "..... ..... ..... ..... ..... ..... .....",
}
FONT3_ROWS = {
    "2": "### ..# ### #.. ###", "3": "### ..# .## ..# ###", "4": "#.# #.# ### ..# ..#", "6": "#.. #.. ### #.# ###",
    "8": "### #.# ### #.# ###", "9": "### #.# ### ..# ..#", "B": "##. #.# ##. #.# ##.", "C": "### #.. #.. #.. ###",
    "S": "### #.. ### ..# ###", "T": "### .#. .#. .#. .#.", "U": "#.# #.# #.# #.# ###",
}
FONT5 = {k: v.replace(" ", "") for k, v in FONT5_ROWS.items()}
FONT3 = {k: v.replace(" ", "") for k, v in FONT3_ROWS.items()}


class Canvas:
    def __init__(self, width, height, fill=(255, 255, 255)):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def dot(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):  # inclusive corners
        for y in range(max(y0, 0), min(y1, self.h - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.w - 1) + 1):
                self.px[y][x] = c

    def frame(self, x0, y0, x1, y1, c):
        self.rect(x0, y0, x1, y0, c)
        self.rect(x0, y1, x1, y1, c)
        self.rect(x0, y0, x0, y1, c)
        self.rect(x1, y0, x1, y1, c)

    def box(self, x0, y0, x1, y1, fill, edge):
        self.rect(x0, y0, x1, y1, fill)
        self.frame(x0, y0, x1, y1, edge)

    def vgradient(self, x0, y0, x1, y1, top, bottom, steps=24):
        for y in range(y0, y1 + 1):
            t = round((y - y0) / max(y1 - y0, 1) * (steps - 1)) / (steps - 1)
            self.rect(x0, y, x1, y, mix(top, bottom, t))

    def ellipse(self, cx, cy, rx, ry, c):
        for y in range(-ry, ry + 1):
            for x in range(-rx, rx + 1):
                if (x / (rx + 0.5)) ** 2 + (y / (ry + 0.5)) ** 2 <= 1:
                    self.dot(cx + x, cy + y, c)

    def polygon(self, points, c):
        ys = [p[1] for p in points]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= y < yb) or (yb <= y < ya):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                self.rect(round(a), y, round(b) - 1, y, c)

    def text(self, x, y, s, c, scale=1, font=FONT5, size=(5, 7)):
        gw, gh = size
        for ch in s:
            glyph = font[ch]
            for row in range(gh):
                for col in range(gw):
                    if glyph[row * gw + col] == "#":
                        self.rect(x + col * scale, y + row * scale, x + col * scale + scale - 1,
                                  y + row * scale + scale - 1, c)
            x += (gw + 1) * scale

    def paste(self, other, x, y):
        for j in range(other.h):
            for i in range(other.w):
                self.dot(x + i, y + j, other.px[j][i])


def text_width(s, scale=1, glyph_width=5):
    return len(s) * (glyph_width + 1) * scale - scale


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def shade(c, f):
    return tuple(max(0, min(255, round(v * f))) for v in c)


STEEL = (120, 128, 140)
DARK = (40, 44, 52)
WHITE = (255, 255, 255)
GOLD = (236, 190, 40)
NOTE = (90, 170, 90)
MAGENTA = (255, 0, 255)  # the toolbar's transparent colour


def drawer(cv, x, y, w, h):
    """A cash drawer seen from the front, its till slightly out, in box (x, y, w, h)."""
    tray = h * 3 // 10
    cv.polygon([(x + w // 8, y), (x + w - w // 8, y), (x + w - 1, y + tray), (x, y + tray)], (200, 204, 210))
    coin = max(1, w // 14)
    for i, cx in enumerate(range(x + w // 4, x + w - w // 4, max(coin * 3, 3))):
        if i % 2:
            cv.ellipse(cx, y + tray // 2, coin, max(1, coin // 2), GOLD)
        else:
            cv.rect(cx - coin, y + tray // 3, cx + coin, y + tray * 2 // 3, NOTE)
    cv.box(x, y + tray, x + w - 1, y + h - 1, STEEL, DARK)
    inset = max(1, w // 12)
    cv.box(x + inset, y + tray + inset + h // 10, x + w - 1 - inset, y + h - 1 - inset, shade(STEEL, 1.25), DARK)
    hy = y + tray + (h - tray) * 3 // 5
    cv.rect(x + w * 3 // 8, hy, x + w * 5 // 8, hy + max(1, h // 14), DARK)


def toolbar_icon(label, label_colour, digit):
    cv = Canvas(32, 32, MAGENTA)
    if label == "USB":  # a narrower drawer with its cable and plug
        drawer(cv, 7, 12, 23, 18)
        cv.rect(2, 24, 6, 24, DARK)
        cv.rect(0, 22, 2, 26, label_colour)
    else:
        drawer(cv, 2, 12, 28, 18)
    cv.ellipse(25, 6, 6, 6, label_colour)
    cv.ellipse(25, 6, 5, 5, shade(label_colour, 1.2))
    cv.text(23, 3, digit, WHITE)
    cv.rect(0, 0, text_width(label, 1, 3) + 1, 6, WHITE)
    cv.text(1, 1, label, label_colour, font=FONT3, size=(3, 5))
    return cv


BOARD_COLOURS = {"9623": (30, 90, 200), "9842": (20, 140, 60), "USB": (130, 50, 170), "TC": (220, 110, 20)}
# The image list's order: 9623 drawers, 9842 drawers, USB drawers, thin-client drawers.
TOOLBAR = [("9623", "1"), ("9623", "2"), ("9842", "1"), ("9842", "2"),
           ("USB", "1"), ("USB", "2"), ("TC", "1"), ("TC", "2")]


def toolbar_strip():
    strip = Canvas(32 * len(TOOLBAR), 32, MAGENTA)
    for i, (board, digit) in enumerate(TOOLBAR):
        strip.paste(toolbar_icon(board, BOARD_COLOURS[board], digit), 32 * i, 0)
    return strip


def program_icon(size):
    cv = Canvas(size, size, None)
    s = size / 32
    drawer(cv, round(1 * s), round(11 * s), round(30 * s), round(20 * s))
    cv.ellipse(round(24 * s), round(6 * s), round(6 * s), round(6 * s), (200, 30, 40))
    if size >= 32:
        cv.text(20, 3, "K", WHITE)
    else:
        cv.rect(11, 2, 12, 5, WHITE)
    return cv


def product_picture():
    """The About window's product picture: the drawer with its badge, upright."""
    cv = Canvas(48, 61, (236, 238, 242))
    cv.ellipse(34, 11, 9, 9, (200, 30, 40))
    cv.text(32, 8, "K", WHITE)
    drawer(cv, 2, 24, 44, 32)
    return cv


def banner():
    cv = Canvas(505, 73)
    cv.vgradient(0, 0, 504, 72, (16, 36, 92), (30, 110, 170))
    cv.rect(0, 70, 504, 72, GOLD)
    drawer(cv, 10, 12, 58, 48)
    title = "KAV Cash Drawer Utility"  # 411 pixels wide at scale 3
    cv.text(86, 12, title, (10, 20, 50), scale=3)
    cv.text(84, 10, title, WHITE, scale=3)
    cv.text(86, 46, "Open  -  Status  -  Loop test", (170, 220, 250), scale=2)
    return cv


def monitor(cv, x, y, w, h):
    cv.rect(x, y, x + w, y + h, DARK)
    sx0, sy0, sx1, sy1 = x + 4, y + 4, x + w - 4, y + h - 4
    cv.vgradient(sx0, sy0, sx1, sy1, (30, 60, 130), (60, 120, 200), steps=8)
    bw, bh = (sx1 - sx0 - 10) // 4, (sy1 - sy0 - 14) // 3
    for row in range(3):
        for col in range(4):
            bx, by = sx0 + 3 + col * (bw + 2), sy0 + 8 + row * (bh + 2)
            colour = (250, 200, 60) if (row, col) == (2, 3) else (200, 225, 250)
            cv.rect(bx, by, bx + bw - 1, by + bh - 2, colour)


def stand(cv, cx, top, bottom, base_width):
    cv.rect(cx - 4, top, cx + 4, bottom - 4, (70, 74, 82))
    cv.rect(cx - base_width // 2, bottom - 4, cx + base_width // 2, bottom, (70, 74, 82))


def printer(cv, x, y):
    cv.box(x, y, x + 26, y + 20, (225, 226, 230), DARK)
    cv.rect(x + 6, y - 8, x + 20, y, WHITE)
    cv.frame(x + 6, y - 8, x + 20, y, (170, 170, 170))
    cv.rect(x + 4, y + 4, x + 22, y + 5, DARK)


def terminal(name, style):
    cv = Canvas(160, 140)
    cv.vgradient(0, 0, 159, 139, (236, 240, 246), (196, 204, 216), steps=16)
    cv.ellipse(80, 118, 72, 8, (176, 182, 194))
    if style == "tower":  # monitor on a stand over a full-width drawer
        drawer(cv, 22, 78, 116, 40)
        stand(cv, 80, 62, 80, 50)
        monitor(cv, 36, 10, 88, 58)
    elif style == "tilted":  # all-in-one touch terminal on a slanted foot
        drawer(cv, 18, 82, 124, 36)
        cv.polygon([(50, 82), (110, 82), (96, 62), (64, 62)], (70, 74, 82))
        monitor(cv, 30, 12, 100, 54)
    elif style == "pole":  # box PC, screen and a customer display on a pole
        drawer(cv, 16, 80, 100, 38)
        cv.box(118, 66, 146, 117, (90, 96, 106), DARK)
        cv.rect(127, 30, 129, 66, (70, 74, 82))
        cv.box(116, 18, 144, 32, DARK, DARK)
        cv.rect(119, 21, 141, 29, (80, 230, 120))
        stand(cv, 62, 58, 80, 40)
        monitor(cv, 22, 12, 82, 50)
    elif style == "compact":  # compact terminal with its receipt printer
        drawer(cv, 14, 84, 96, 34)
        printer(cv, 118, 90)
        stand(cv, 62, 64, 84, 34)
        monitor(cv, 24, 18, 76, 50)
    elif style == "wide":  # wide screen and a keyboard on the drawer
        drawer(cv, 12, 84, 136, 34)
        cv.polygon([(30, 84), (130, 84), (124, 76), (36, 76)], (60, 64, 72))
        for k in range(10):
            cv.rect(40 + k * 8, 78, 45 + k * 8, 81, (200, 204, 210))
        stand(cv, 80, 60, 76, 44)
        monitor(cv, 20, 8, 120, 56)
    else:  # thin client: small box beside a screen
        drawer(cv, 24, 84, 112, 34)
        cv.box(120, 48, 138, 84, (220, 222, 226), DARK)
        cv.ellipse(129, 54, 2, 2, (60, 200, 90))
        stand(cv, 66, 62, 84, 40)
        monitor(cv, 26, 14, 80, 52)
    cv.text((160 - text_width(name)) // 2, 128, name, (50, 56, 70))
    return cv


TERMINALS = [("VOLX-9842", "tower"), ("VOLX-9613", "tilted"), ("VOLX-9623", "pole"),
             ("VOLX-8613", "compact"), ("VOLX-8623", "wide"), ("Pellor (x86)", "thin")]


def big_word(cv, word, colour, cell, slant=0.0, bevel=False):
    """The word in glyph cells of cell x cell pixels, centred on the canvas.
    slant leans it to the right (pixels per pixel of height); bevel lights
    each cell's top and left edges and shades its bottom and right ones."""
    depth = max(2, cell // 6)
    light, dark = mix(colour, WHITE, 0.55), shade(colour, 0.55)
    width = (6 * len(word) - 1) * cell + int(slant * 7 * cell)
    x0, y0 = (cv.w - width) // 2, (cv.h - 7 * cell) // 2
    for i, ch in enumerate(word):
        bits = FONT5[ch]

        def set_at(row, col, bits=bits):
            return 0 <= row < 7 and 0 <= col < 5 and bits[row * 5 + col] == "#"

        for r in range(7):
            for c in range(5):
                if bits[r * 5 + c] != "#":
                    continue
                for dy in range(cell):
                    y = r * cell + dy
                    lean = int(slant * (7 * cell - y))
                    for dx in range(cell):
                        colour_here = colour
                        if bevel:
                            # Lit and shaded only along the letter's outline.
                            if (dy < depth and not set_at(r - 1, c)) or (dx < depth and not set_at(r, c - 1)):
                                colour_here = light
                            elif (dy >= cell - depth and not set_at(r + 1, c)) or (
                                    dx >= cell - depth and not set_at(r, c + 1)):
                                colour_here = dark
                        cv.dot(x0 + (6 * i + c) * cell + dx + lean, y0 + y, colour_here)


def running_picture():
    """frmRun's picture: the word Running, blue, leaning like script."""
    cv = Canvas(349, 213, WHITE)
    big_word(cv, "Running", (20, 60, 200), 7, slant=0.35)
    return cv


def result_picture(word, colour, width, height):
    """PASS or FAIL in bevelled capitals on white. The window shows only the
    middle of the picture (it overhangs both sides), so the word keeps there."""
    cv = Canvas(width, height, WHITE)
    big_word(cv, word, colour, 14, bevel=True)
    return cv


def bmp_rows(cv, bytes_per_pixel, pixel):
    rows = []
    for y in reversed(range(cv.h)):  # bottom-up
        row = b"".join(pixel(c) for c in cv.px[y])
        rows.append(row + b"\0" * (-len(row) % 4))
    return b"".join(rows)


def bmp(cv, bits):
    if bits == 24:
        palette = b""
        data = bmp_rows(cv, 3, lambda c: bytes((c[2], c[1], c[0])))
    else:
        colours = sorted({c for row in cv.px for c in row})
        assert len(colours) <= 256, f"{len(colours)} colours do not fit an 8-bit palette"
        index = {c: i for i, c in enumerate(colours)}
        palette = b"".join(bytes((c[2], c[1], c[0], 0)) for c in colours)
        palette += b"\0" * (4 * 256 - len(palette))
        data = bmp_rows(cv, 1, lambda c: bytes((index[c],)))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, bits, 0, len(data), 2835, 2835,
                       256 if bits == 8 else 0, 0)
    return header + info + palette + data


def ico(canvases):
    """32-bit images with an AND mask; None pixels are transparent."""
    images = []
    for cv in canvases:
        xor = bmp_rows(cv, 4, lambda c: bytes((c[2], c[1], c[0], 255)) if c else b"\0\0\0\0")
        mask = b""
        for y in reversed(range(cv.h)):
            bits = "".join("1" if cv.px[y][x] is None else "0" for x in range(cv.w))
            bits += "0" * (-len(bits) % 32)
            mask += int(bits, 2).to_bytes(len(bits) // 8, "big")
        info = struct.pack("<IiiHHIIiiII", 40, cv.w, 2 * cv.h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append(info + xor + mask)
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, image in zip(canvases, images):
        directory += struct.pack("<BBBBHHII", cv.w, cv.h, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    out.mkdir(parents=True, exist_ok=True)
    files = {
        "program.ico": ico([program_icon(32), program_icon(16)]),
        "toolbar.bmp": bmp(toolbar_strip(), 24),
        "banner.bmp": bmp(banner(), 8),
    }
    files["product.bmp"] = bmp(product_picture(), 8)
    files["running.bmp"] = bmp(running_picture(), 8)
    files["pass.bmp"] = bmp(result_picture("PASS", (20, 160, 40), 478, 194), 8)
    files["fail.bmp"] = bmp(result_picture("FAIL", (210, 30, 30), 471, 191), 8)
    for i, (name, style) in enumerate(TERMINALS, 1):
        files[f"terminal{i}.bmp"] = bmp(terminal(name, style), 8)
    for name, data in files.items():
        (out / name).write_bytes(data)
        print(f"{out / name}: {len(data)} bytes")


if __name__ == "__main__":
    main()

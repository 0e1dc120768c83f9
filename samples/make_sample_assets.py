"""Regenerate the sample project's pictures, its sample zip and the topic-status icons."""
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CLEAR = (0, 0, 0, 0)


def write_png(path, pixels):
    """Write rows of (r, g, b, a) tuples as an 8-bit RGBA PNG."""
    h, w = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def canvas(size, bg=CLEAR):
    return [[bg] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, col):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = col


def frame(img, x0, y0, x1, y1, col):
    rect(img, x0, y0, x1, y0, col); rect(img, x0, y1, x1, y1, col)
    rect(img, x0, y0, x0, y1, col); rect(img, x1, y0, x1, y1, col)


def disc(img, cx, cy, r, col, keep=lambda x, y: True):
    for y, row in enumerate(img):
        for x in range(len(row)):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r and keep(x, y):
                row[x] = col


def glyph(img, x0, y0, rows, col):
    """Stamp a small bitmap given as strings ('#' = set)."""
    for dy, line in enumerate(rows):
        for dx, ch in enumerate(line):
            if ch == "#":
                img[y0 + dy][x0 + dx] = col


def window(size, title_col, body_col, lines_col=None):
    img = canvas(size, (236, 236, 236, 255))
    frame(img, 0, 0, size - 1, size - 1, (90, 90, 90, 255))
    rect(img, 1, 1, size - 2, 4, title_col)
    rect(img, 2, 6, size - 3, size - 3, body_col)
    if lines_col:
        for y in range(8, size - 4, 3):
            rect(img, 4, y, size - 6 - (y % 7), y, lines_col)
    return img


def status_icons():
    d = canvas(16)  # draft: grey page square with a dark pencil stroke
    rect(d, 2, 2, 13, 13, (225, 225, 225, 255)); frame(d, 2, 2, 13, 13, (120, 120, 120, 255))
    for i in range(4, 13):
        d[16 - i][i] = d[17 - i][i] = (60, 60, 60, 255)
    p = canvas(16)  # in progress: orange ring, left half filled
    disc(p, 7.5, 7.5, 7, (230, 130, 20, 255))
    disc(p, 7.5, 7.5, 5, (255, 255, 255, 255), keep=lambda x, y: x >= 8)
    r = canvas(16)  # review: blue dot with a white question mark
    disc(r, 7.5, 7.5, 7.4, (40, 110, 220, 255))
    glyph(r, 5, 3, [".###.", "#...#", "....#", "...#.", "..#..", "..#..", ".....", "..#.."],
          (255, 255, 255, 255))
    c = canvas(16)  # complete: green dot with a white check
    disc(c, 7.5, 7.5, 7.4, (40, 160, 60, 255))
    glyph(c, 3, 4, ["........##", ".......##.", "......##..", "##...##...",
                    ".##.##....", "..###.....", "...#......"], (255, 255, 255, 255))
    for name, img in (("draft", d), ("inprogress", p), ("review", r), ("complete", c)):
        write_png(os.path.join(ROOT, "resources", "icons", "status-%s.png" % name), img)


def sample_images():
    base = os.path.join(HERE, "Handbook")
    logo = canvas(32, (25, 40, 90, 255))
    disc(logo, 15.5, 15.5, 10, (250, 210, 60, 255))
    disc(logo, 19.5, 12.5, 8, (25, 40, 90, 255))
    banner = canvas(32)
    for y in range(32):
        rect(banner, 0, y, 31, y, (255, 120 + y * 4, 60, 255))
    glyph(banner, 8, 10, ["#......", "#......", "#......", "#......", "#......", "######."],
          (255, 255, 255, 255))
    toolbar = canvas(32, (200, 200, 205, 255))
    for i, col in enumerate([(220, 60, 60), (60, 170, 80), (50, 110, 220), (240, 180, 30)]):
        rect(toolbar, 2 + i * 7, 11, 7 + i * 7, 20, col + (255,))
    icon_defs = {
        "note": lambda g: (rect(g, 3, 1, 12, 14, (255, 240, 150, 255)),
                           frame(g, 3, 1, 12, 14, (180, 150, 40, 255))),
        "tag": lambda g: disc(g, 7.5, 7.5, 6, (200, 60, 160, 255)),
        "sync": lambda g: (disc(g, 7.5, 7.5, 7, (30, 160, 170, 255)),
                           disc(g, 7.5, 7.5, 4, CLEAR)),
        "search": lambda g: (disc(g, 6, 6, 5, (70, 70, 70, 255)), disc(g, 6, 6, 3, CLEAR),
                             [rect(g, i, i, i + 1, i + 1, (70, 70, 70, 255)) for i in (9, 10, 11, 12)]),
    }
    pictures = {
        "logo.png": logo,
        "banner.png": banner,
        "images/Screens/toolbar.png": toolbar,
        "images/screens/main.png": window(32, (50, 90, 170, 255), (255, 255, 255, 255)),
        "images/screens/2024/editor.png":
            window(32, (50, 90, 170, 255), (255, 255, 250, 255), (120, 120, 120, 255)),
        "images/screens/2024/settings.png":
            window(32, (110, 60, 160, 255), (245, 240, 250, 255), (150, 110, 190, 255)),
        "images/diagrams/sync-flow.png": window(32, (30, 160, 170, 255), (230, 250, 250, 255)),
        "images/drafts/old-editor.png":
            window(32, (150, 150, 150, 255), (240, 240, 240, 255), (200, 80, 80, 255)),
    }
    for name, draw in icon_defs.items():
        g = canvas(16)
        draw(g)
        pictures["images/icons/%s.png" % name] = g
    for rel, img in pictures.items():
        write_png(os.path.join(base, rel), img)
    os.makedirs(os.path.join(base, "downloads"), exist_ok=True)
    with zipfile.ZipFile(os.path.join(base, "downloads", "sample.zip"), "w",
                         zipfile.ZIP_DEFLATED) as z:
        for fname, text in (("Welcome.lnote", "# Welcome\nYour first Lumen Notes note.\n"),
                            ("Shopping.lnote", "# Shopping\n- coffee\n- notebooks\n")):
            z.writestr(zipfile.ZipInfo(fname, (2024, 3, 1, 12, 0, 0)), text)


if __name__ == "__main__":
    status_icons()
    sample_images()

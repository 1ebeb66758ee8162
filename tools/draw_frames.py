#!/usr/bin/python3
"""Draws the scan progress animation: three frames for each destination
(application, printer, mail, folder), 110 x 105 pixels, 24-bit BMP, into
res/frames/. Each set shows a page on the scanner bed on the left and a small
movement towards the destination on the right, one step per frame.

Run with Debian's python3 and PIL:  /usr/bin/python3 tools/draw_frames.py
"""
import os
import sys

from PIL import Image, ImageDraw

WIDTH, HEIGHT = 110, 105
BACKGROUND = (236, 233, 216)
INK = (40, 40, 40)
PAPER = (255, 255, 255)
LIGHT = (120, 200, 255)
ACCENT = (220, 80, 40)
STEPS = 3


def scanner(draw, step):
    """The scanner in the lower left, its light bar moving down the bed."""
    draw.rectangle((4, 62, 50, 98), fill=(150, 150, 160), outline=INK)
    draw.rectangle((8, 66, 46, 90), fill=PAPER, outline=INK)
    y = 68 + step * 8
    draw.rectangle((9, y, 45, y + 2), fill=LIGHT)
    draw.rectangle((40, 92, 46, 95), fill=(60, 200, 60))


def arrow(draw, step):
    """Three dots between scanner and destination, lit one after another."""
    for i in range(STEPS):
        colour = ACCENT if i <= step else (190, 190, 190)
        x = 52 + i * 8
        draw.ellipse((x, 56, x + 5, 61), fill=colour)


def application(draw, step):
    # A program window whose picture fills in row by row.
    draw.rectangle((58, 6, 106, 48), fill=PAPER, outline=INK)
    draw.rectangle((58, 6, 106, 13), fill=(10, 36, 106))
    draw.rectangle((100, 8, 104, 11), fill=BACKGROUND)
    for row in range(step + 1):
        top = 17 + row * 10
        draw.rectangle((62, top, 102, top + 8), fill=(90 + 50 * row, 160, 90))
    draw.polygon([(66, 44), (74, 34), (82, 44)], fill=(40, 120, 40))


def printer(draw, step):
    # A printer pushing out a page further each frame.
    draw.rectangle((60, 24, 104, 44), fill=(200, 200, 205), outline=INK)
    draw.rectangle((66, 10, 98, 24), fill=PAPER, outline=INK)
    out = 44 + 4 * (step + 1)
    draw.rectangle((66, 40, 98, out), fill=PAPER, outline=INK)
    for line in range(44, out, 3):
        draw.line((70, line, 94, line), fill=(150, 150, 150))
    draw.ellipse((96, 28, 100, 32), fill=(60, 200, 60))


def mail(draw, step):
    # An envelope closing its flap and flying up and to the right.
    dx, dy = 3 * step, -4 * step
    box = (60 + dx, 22 + dy, 102 + dx, 48 + dy)
    draw.rectangle(box, fill=PAPER, outline=INK)
    x0, y0, x1, y1 = box
    flap = y0 + (8 if step == 0 else 13 if step == 1 else 18)
    draw.line((x0, y0, (x0 + x1) // 2, flap), fill=INK, width=2)
    draw.line((x1, y0, (x0 + x1) // 2, flap), fill=INK, width=2)
    for i in range(step):
        draw.line((x0 - 6 - 4 * i, y1 - 4 + 3 * i, x0 - 2 - 4 * i, y1 - 4 + 3 * i), fill=ACCENT)


def folder(draw, step):
    # A folder with a page sliding into it.
    draw.rectangle((58, 18, 78, 24), fill=(230, 190, 80), outline=INK)
    draw.rectangle((58, 22, 106, 50), fill=(240, 205, 100), outline=INK)
    page_top = 4 + 7 * step
    draw.rectangle((68, page_top, 96, page_top + 22), fill=PAPER, outline=INK)
    draw.rectangle((58, 30, 106, 50), fill=(245, 215, 120), outline=INK)


DESTINATIONS = {
    "application": application,
    "printer": printer,
    "mail": mail,
    "folder": folder,
}


def frame(subject, step):
    image = Image.new("RGB", (WIDTH, HEIGHT), BACKGROUND)
    draw = ImageDraw.Draw(image)
    draw.rectangle((0, 0, WIDTH - 1, HEIGHT - 1), outline=(128, 128, 128))
    scanner(draw, step)
    arrow(draw, step)
    DESTINATIONS[subject](draw, step)
    return image


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(top, "res", "frames")
    os.makedirs(out, exist_ok=True)
    for subject in DESTINATIONS:
        for step in range(STEPS):
            path = os.path.join(out, "%s_%d.bmp" % (subject, step + 1))
            frame(subject, step).save(path, "BMP")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Draws the Button manager's four tab pictures, 35 x 25 pixels on RGB(192,192,192),
which the tab control treats as transparent, into res/tabs/:

  application.bmp  a picture page with scissors        (256 colours)
  copy.bmp         two pages, one behind the other     (256 colours)
  mail.bmp         a flying envelope                   (24-bit)
  folder.bmp       a blue folder with an arrow going in (24-bit)

Drawn without smoothing, so every pixel is one of a few exact colours and the
background stays exactly the mask colour.

Run with Debian's python3 and PIL:  /usr/bin/python3 tools/draw_tabs.py
"""
import os
import sys

from PIL import Image, ImageDraw

WIDTH, HEIGHT = 35, 25
MASK = (192, 192, 192)
INK = (0, 0, 0)
PAPER = (255, 255, 255)
SHADE = (128, 128, 128)
SKY = (96, 160, 232)
GRASS = (40, 150, 60)
SUN = (250, 210, 40)
STEEL = (200, 40, 40)
BLUE = (30, 90, 200)
LIGHT_BLUE = (90, 150, 240)
ARROW = (230, 120, 20)


def application(draw):
    # A page holding a small landscape, with scissors cutting in from the right.
    draw.rectangle((4, 2, 22, 22), fill=PAPER, outline=INK)
    draw.rectangle((7, 5, 19, 14), fill=SKY)
    draw.ellipse((15, 6, 18, 9), fill=SUN)
    draw.polygon([(7, 14), (11, 9), (15, 14)], fill=GRASS)
    draw.rectangle((7, 16, 19, 17), fill=SHADE)
    draw.rectangle((7, 19, 15, 19), fill=SHADE)
    # Scissors: two blades crossing, two handles.
    draw.line((22, 8, 31, 17), fill=SHADE, width=2)
    draw.line((22, 17, 31, 8), fill=SHADE, width=2)
    draw.ellipse((27, 2, 33, 8), outline=STEEL, width=2)
    draw.ellipse((27, 17, 33, 23), outline=STEEL, width=2)


def copy(draw):
    # Two pages with text lines, the second one offset behind the first.
    draw.rectangle((13, 2, 29, 20), fill=PAPER, outline=SHADE)
    for y in range(6, 18, 3):
        draw.line((16, y, 26, y), fill=SHADE)
    draw.rectangle((6, 5, 22, 23), fill=PAPER, outline=INK)
    for y in range(9, 21, 3):
        draw.line((9, y, 19, y), fill=INK)


def mail(draw):
    # An envelope tilted in flight, with speed lines behind it.
    draw.polygon([(11, 9), (29, 4), (33, 17), (15, 22)], fill=PAPER, outline=INK)
    draw.line((11, 9, 23, 15), fill=INK)
    draw.line((29, 4, 23, 15), fill=INK)
    draw.rectangle((26, 8, 28, 10), fill=STEEL)
    for i, y in enumerate((10, 14, 18)):
        draw.line((1 + 2 * i, y, 8 + i, y), fill=BLUE)


def folder(draw):
    # A blue folder, its tab on top, and an orange arrow going into it.
    draw.rectangle((3, 7, 13, 10), fill=LIGHT_BLUE, outline=INK)
    draw.rectangle((3, 9, 27, 23), fill=BLUE, outline=INK)
    draw.polygon([(5, 13), (29, 13), (27, 23), (3, 23)], fill=LIGHT_BLUE, outline=INK)
    draw.rectangle((26, 1, 29, 8), fill=ARROW)
    draw.polygon([(22, 8), (33, 8), (27, 14)], fill=ARROW)


PICTURES = (("application", application, True), ("copy", copy, True),
            ("mail", mail, False), ("folder", folder, False))


def picture(draw_subject, palette):
    image = Image.new("RGB", (WIDTH, HEIGHT), MASK)
    draw_subject(ImageDraw.Draw(image))
    if palette:
        # Fewer than 256 colours: the adaptive palette keeps each one exactly.
        image = image.convert("P", palette=Image.ADAPTIVE, colors=256)
    return image


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(top, "res", "tabs")
    os.makedirs(out, exist_ok=True)
    for name, draw_subject, palette in PICTURES:
        picture(draw_subject, palette).save(os.path.join(out, name + ".bmp"), "BMP")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Draws the tray icons into res/icons/:

  ready.ico        (131) a flatbed scanner with its green lamp lit
  unavailable.ico  (132) the same scanner, lamp off, crossed out by a red prohibition sign

Each icon holds 16x16 and 32x32 images, 32-bit with alpha, stored as classic DIBs
with an AND mask so that every Windows from XP on can load them (PIL's own ICO
writer stores PNG images, which XP cannot read). Each size is drawn eight times
larger and scaled down, so edges are smooth.

Run: /usr/bin/python3 tools/draw_icons.py   (needs python3-pil)
"""
import os
import struct
import sys

from PIL import Image, ImageDraw

SIZES = (16, 32)
OVERSAMPLE = 8

OUTLINE = (52, 60, 74, 255)
BODY = (196, 202, 212, 255)
BODY_SHADE = (150, 158, 172, 255)
LID = (226, 230, 236, 255)
GLASS = (70, 96, 128, 255)
LAMP_ON = (40, 200, 60, 255)
LAMP_ON_RIM = (20, 110, 30, 255)
LAMP_OFF = (120, 126, 136, 255)
PROHIBITION = (220, 30, 30, 255)


def scanner(draw, k, lamp, lamp_rim):
    """A flatbed seen slightly from above, in a 32-unit design square scaled by k."""
    def p(x, y):
        return (x * k, y * k)

    w = max(1, round(1.2 * k))
    # Lid: the top face in perspective.
    draw.polygon([p(6, 8), p(26, 8), p(30, 15), p(2, 15)], fill=LID, outline=OUTLINE, width=w)
    # Front face of the body.
    draw.rounded_rectangle([p(2, 15), p(30, 25)], radius=1.5 * k, fill=BODY, outline=OUTLINE, width=w)
    # Shade along the bottom edge.
    draw.rectangle([p(3.2, 22.5), p(28.8, 23.8)], fill=BODY_SHADE)
    # Glass seen under the lid's edge.
    draw.rectangle([p(5, 17.5), p(19, 19.5)], fill=GLASS)
    # Feet.
    draw.rectangle([p(4, 25), p(8, 27)], fill=OUTLINE)
    draw.rectangle([p(24, 25), p(28, 27)], fill=OUTLINE)
    # Lamp.
    draw.ellipse([p(22, 16.5), p(27.5, 22)], fill=lamp, outline=lamp_rim, width=w)


def prohibition(draw, k):
    w = round(3.2 * k)
    box = [1.8 * k, 1.8 * k, 30.2 * k, 30.2 * k]
    draw.ellipse(box, outline=PROHIBITION, width=w)
    # The bar from upper left to lower right, inside the ring.
    inset = 6.2 * k
    draw.line([(inset, inset), (32 * k - inset, 32 * k - inset)], fill=PROHIBITION, width=w)


def picture(size, ready):
    k = size * OVERSAMPLE / 32.0
    big = Image.new("RGBA", (size * OVERSAMPLE, size * OVERSAMPLE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(big)
    if ready:
        scanner(draw, k, LAMP_ON, LAMP_ON_RIM)
    else:
        scanner(draw, k, LAMP_OFF, OUTLINE)
        prohibition(draw, k)
    return big.resize((size, size), Image.LANCZOS)


def dib_icon_image(image):
    """BITMAPINFOHEADER, bottom-up BGRA pixels, then the 1-bit AND mask."""
    size = image.width
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = image.getpixel((x, y))
            pixels += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, images):
    blobs = [dib_icon_image(image) for image in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for image, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", image.width % 256, image.height % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = os.path.join(top, "res", "icons")
    os.makedirs(folder, exist_ok=True)
    for name, ready in (("ready.ico", True), ("unavailable.ico", False)):
        path = os.path.join(folder, name)
        write_ico(path, [picture(size, ready) for size in SIZES])
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
